// The window's figures on the demo catalog, with Qt's offscreen platform: from start to
// the device list shown (the backend started, the window built and FormCreate run), and
// from OK to the question (Button1Click up to the clipboard question, answered No at
// once). The OK figure is printed beside the time of `capspect report --demo` measured in
// the same run, as the ratio ok_over_report (the target is at most 1.2).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <objbase.h>

#include <chrono>
#include <memory>
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

std::unique_ptr<Backend> StartDemo() {
    BackendOptions options;
    options.demo = true;
    std::ostringstream err;
    return Backend::Start(options, err);
}

void BM_WindowStartToDeviceList(benchmark::State& state) {
    NoDialogs dialogs;
    int devices = 0;
    for (auto _ : state) {
        const std::unique_ptr<Backend> backend = StartDemo();
        const TForm1 window(dialogs);
        devices = window.VQLangComboBox1().GetCount();
    }
    state.counters["devices"] = devices;
}
BENCHMARK(BM_WindowStartToDeviceList)->Unit(benchmark::kMillisecond);

double ReportCommandSeconds() {
    const auto start = std::chrono::steady_clock::now();
    std::ostringstream out;
    std::ostringstream err;
    RunCommandLine({"report", "--demo"}, out, err);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_WindowOkToQuestion(benchmark::State& state) {
    const std::unique_ptr<Backend> backend = StartDemo();
    NoDialogs dialogs;
    TForm1 window(dialogs);
    double okSeconds = 0;
    double reportSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        window.Button1Click();
        okSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        reportSeconds += ReportCommandSeconds();
        state.ResumeTiming();
    }
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
