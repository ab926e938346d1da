// Nimbra.exe at the top of the stick, beside the Linux launcher: starts the
// window program in "Nimbra (Windows)" with its own folder as the launch
// path (-l=, as the Linux launcher does) and the arguments it was given. Windows
// looks for a program's DLLs beside it only, so the program and its DLLs
// keep a folder of their own and the top of the stick stays tidy. No Qt and
// no C++ runtime DLLs: it must start with nothing beside it.

#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show)
{
    std::wstring self(8192, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (n == 0 || n >= self.size())
        return 1;
    self.resize(n);
    const std::wstring folder = self.substr(0, self.find_last_of(L'\\') + 1);
    const std::wstring program = folder + L"Nimbra (Windows)\\nimbra.exe";
    // The arguments after our own program name, passed on as they came.
    const wchar_t* line = ::GetCommandLineW();
    bool quoted = false;
    while (*line && (quoted || (*line != L' ' && *line != L'\t'))) {
        if (*line == L'"')
            quoted = !quoted;
        ++line;
    }
    // No backslash before the closing quote, or it would escape it.
    std::wstring launch = folder.substr(0, folder.size() - 1);
    if (!launch.empty() && launch.back() == L':')
        launch += L"\\.";
    std::wstring command = L"\"" + program + L"\" \"-l=" + launch + L"\"" + line;
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION info {};
    if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &startup, &info)) {
        ::MessageBoxW(nullptr, L"\"Nimbra (Windows)\\nimbra.exe\" could not be started.", L"Nimbra",
                      MB_OK | MB_ICONERROR);
        return 1;
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return 0;
}
