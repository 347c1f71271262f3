// Stands in for MapSource on Windows: appends its arguments (UTF-8, one a
// line) to args.txt beside itself, copies the file named first to copy.bin
// and then writes done.txt, so a test sees what it was started with and that
// the file was complete when it was handed over.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        return 1;
    }
    const std::filesystem::path here = std::filesystem::path(arguments[0]).parent_path();
    std::ofstream args(here / "args.txt", std::ios::binary | std::ios::app);
    for (int i = 1; i < count; ++i) {
        args << Utf8(arguments[i]) << '\n';
    }
    args.close();
    std::error_code ignored;
    if (count > 1) {
        std::filesystem::copy_file(arguments[1], here / "copy.bin",
                                   std::filesystem::copy_options::overwrite_existing, ignored);
    }
    std::ofstream(here / "done.txt", std::ios::binary | std::ios::app) << "done\n";
    LocalFree(arguments);
    return 0;
}
