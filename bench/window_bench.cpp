// The window's figures: from start to the device list shown (the backend started, the
// window built and FormCreate run), and from OK to the question (the first Button1Click
// after the start up to the clipboard question, answered No at once: ok_ms). The OK
// figure is printed beside the time of the report command on the same device measured in
// the same run, as the ratio ok_over_report (the target is at most 1.2).
//
// On the demo catalog with Qt's offscreen platform by default; with
// CAPSPECT_BENCH_DEVICES=FILE on that device catalog's first device; with
// CAPSPECT_BENCH_BACKEND=v4l2 on the machine's first V4L2 device, on whatever display
// QT_QPA_PLATFORM names (bench/vivid_window_bench.sh: vivid under Xvfb).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <objbase.h>

#include <chrono>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/backend.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_dialogs.h"
#include "controls/VQComboBoxes.h"

namespace {

using namespace capspect;

// Answers every question with No and counts them.
class NoDialogs : public UserDialogs {
public:
    int questions = 0;
    bool Confirm(QWidget*, const QString&, const QString&) override {
        ++questions;
        return false;
    }
    void ShowMessage(QWidget*, const QString&) override {}
    void ShowException(QWidget*, const QString&) override {}
};

bool OnV4l2() {
    return qEnvironmentVariable("CAPSPECT_BENCH_BACKEND") == QStringLiteral("v4l2");
}

// A device catalog to take the figures on instead of the demo (a snapshot of a device).
std::optional<std::string> CatalogFile() {
    const QString file = qEnvironmentVariable("CAPSPECT_BENCH_DEVICES");
    return file.isEmpty() ? std::nullopt : std::optional(file.toStdString());
}

std::unique_ptr<Backend> StartBackend() {
    BackendOptions options;
    if (OnV4l2()) {
        options.backend = BackendKind::V4l2;
    } else if (const std::optional<std::string> file = CatalogFile()) {
        options.devicesFile = *file;
    } else {
        options.demo = true;
    }
    StringOutput err;
    return Backend::Start(options, err);
}

void BM_WindowStartToDeviceList(benchmark::State& state) {
    NoDialogs dialogs;
    int devices = 0;
    for (auto _ : state) {
        const std::unique_ptr<Backend> backend = StartBackend();
        const TForm1 window(dialogs);
        devices = window.VQLangComboBox1().GetCount();
    }
    state.counters["devices"] = devices;
}
BENCHMARK(BM_WindowStartToDeviceList)->Unit(benchmark::kMillisecond);

double ReportCommandSeconds() {
    const auto start = std::chrono::steady_clock::now();
    StringOutput out;
    StringOutput err;
    std::vector<std::string> args{"report"};
    if (const std::optional<std::string> file = CatalogFile(); file && !OnV4l2()) {
        args.insert(args.end(), {"--devices", *file});
    } else if (!OnV4l2()) {
        args.push_back("--demo");
    }
    RunCommandLine(args, out, err);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The first OK after the start, as a user presses it: later ones find the device's filter
// already made and its formats already read.
double FirstOkSeconds(NoDialogs& dialogs) {
    const std::unique_ptr<Backend> backend = StartBackend();
    TForm1 window(dialogs);
    const auto start = std::chrono::steady_clock::now();
    window.Button1Click();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_WindowOkToQuestion(benchmark::State& state) {
    NoDialogs dialogs;
    double okSeconds = 0;
    double reportSeconds = 0;
    for (auto _ : state) {
        okSeconds += FirstOkSeconds(dialogs);
        reportSeconds += ReportCommandSeconds();
    }
    state.counters["ok_ms"] = 1000 * okSeconds / state.iterations();
    state.counters["questions"] = dialogs.questions;
    state.counters["report_command_ms"] = 1000 * reportSeconds / state.iterations();
    state.counters["ok_over_report"] = reportSeconds > 0 ? okSeconds / reportSeconds : 0;
}
BENCHMARK(BM_WindowOkToQuestion)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    // The window's thread is a single-threaded COM apartment, as the program's is.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CoUninitialize();
    return 0;
}
