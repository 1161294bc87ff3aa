// The two programs as Windows sees them before running them: capspect.exe a window
// program, capspect.com a console program, both with the icon, the version information
// and the manifest (common controls 6, no elevation, per-monitor DPI awareness).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The programs' folder, which the test runner passes in CAPSPECT_PROGRAMS.
std::filesystem::path Program(const char* name) {
    const char* folder = std::getenv("CAPSPECT_PROGRAMS");
    return std::filesystem::path(folder != nullptr ? folder : ".") / name;
}

// A program loaded as data: its resources can be read, nothing of it runs.
class ProgramImage {
public:
    explicit ProgramImage(const std::filesystem::path& file)
        : module_(LoadLibraryExW(file.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ProgramImage() {
        if (module_ != nullptr) {
            FreeLibrary(module_);
        }
    }
    ProgramImage(const ProgramImage&) = delete;
    ProgramImage& operator=(const ProgramImage&) = delete;

    bool Loaded() const { return module_ != nullptr; }

    std::string_view Resource(LPCWSTR type, int id) const {
        const HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) {
            return {};
        }
        const HGLOBAL data = LoadResource(module_, found);
        return {static_cast<const char*>(LockResource(data)), SizeofResource(module_, found)};
    }

private:
    HMODULE module_;
};

// The subsystem the program's PE header names.
WORD Subsystem(const std::filesystem::path& file) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    std::vector<char> head(4096);
    DWORD read = 0;
    ReadFile(handle, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    CloseHandle(handle);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data());
    if (read < sizeof(IMAGE_DOS_HEADER) || dos->e_magic != IMAGE_DOS_SIGNATURE ||
        dos->e_lfanew + sizeof(IMAGE_NT_HEADERS) > read) {
        return 0;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(head.data() + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem;
}

std::wstring VersionString(const std::filesystem::path& file, const wchar_t* name) {
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    if (info.empty() ||
        !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data())) {
        return {};
    }
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value));
}

TEST(ProgramResources, TheWindowProgramHasNoConsoleAndTheConsoleProgramHasOne) {
    EXPECT_EQ(Subsystem(Program("capspect.exe")), IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(Subsystem(Program("capspect.com")), IMAGE_SUBSYSTEM_WINDOWS_CUI);
}

TEST(ProgramResources, BothCarryTheIconTheVersionAndTheManifest) {
    for (const char* name : {"capspect.exe", "capspect.com"}) {
        SCOPED_TRACE(name);
        const ProgramImage image(Program(name));
        ASSERT_TRUE(image.Loaded());
        EXPECT_FALSE(image.Resource(RT_GROUP_ICON, 1).empty());
        const std::string_view manifest = image.Resource(RT_MANIFEST, 1);
        EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string_view::npos);
        EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string_view::npos);
        EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string_view::npos);
        EXPECT_NE(manifest.find(">PerMonitorV2<"), std::string_view::npos);
        EXPECT_EQ(VersionString(Program(name), L"ProductName"), L"Capspect");
        EXPECT_EQ(VersionString(Program(name), L"ProductVersion"), CAPSPECT_VERSION_WIDE);
    }
}

TEST(ProgramResources, TheWindowProgramFailsACommandWhoseOutputGoesNowhere) {
    // As when a shortcut starts it with arguments: no console, no handles. The list cannot
    // be written, which fails the command as any unwritable output does; it must not
    // crash on the missing streams.
    std::wstring commandLine = L"capspect.exe --demo list";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(Program("capspect.exe").c_str(), commandLine.data(), nullptr,
                               nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                               &process));
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 60'000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 1U);
}

}  // namespace
