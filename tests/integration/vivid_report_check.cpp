// vivid_report_check LIST_FORMATS_EXT REPORT_JSON [GET_PARM]
//
// Checks that every (pixel format, frame size) of a `v4l2-ctl --list-formats-ext` output is
// a format of a `capspect report --json` output, in order and with the same frame rates.
// GET_PARM, a `v4l2-ctl --get-parm` output, gives the rate of sizes listed without
// intervals. Prints the counts on one line ("pixel-formats=83 sizes=498 report-formats=498"),
// then each mismatch; exits 0 when there is none, 1 otherwise, 2 on a usage error.
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "tests/integration/list_formats_compare.h"

namespace {

std::ifstream OpenOrThrow(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return file;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace capspect::test;
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: vivid_report_check LIST_FORMATS_EXT REPORT_JSON [GET_PARM]\n";
        return 2;
    }
    try {
        std::ifstream formatsFile = OpenOrThrow(argv[1]);
        std::ifstream reportFile = OpenOrThrow(argv[2]);
        std::optional<double> currentFps;
        if (argc == 4) {
            std::ifstream parmFile = OpenOrThrow(argv[3]);
            currentFps = ParseGetParmFps(parmFile);
        }
        const Comparison comparison =
            CompareWithReport(ParseListFormatsExt(formatsFile),
                              ReportedFormats(nlohmann::json::parse(reportFile)), currentFps);
        std::cout << "pixel-formats=" << comparison.pixelFormats
                  << " sizes=" << comparison.listedSizes
                  << " report-formats=" << comparison.reportFormats << "\n";
        for (const std::string& mismatch : comparison.mismatches) {
            std::cout << mismatch << "\n";
        }
        return comparison.mismatches.empty() && comparison.listedSizes > 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::cerr << "vivid_report_check: " << error.what() << "\n";
        return 1;
    }
}
