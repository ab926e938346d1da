#include "platform/DocumentOpener.h"

#include <QDir>

#include <windows.h>
#include <shellapi.h>

// The shell's "open", as a double click in Explorer does.
namespace nbr {
namespace {

DocumentOpener::Result Execute(const wchar_t* program, const QString& target)
{
    const std::wstring native = QDir::toNativeSeparators(target).toStdWString();
    const std::wstring quoted = L"\"" + native + L"\"";
    const auto result = reinterpret_cast<INT_PTR>(program ? ::ShellExecuteW(nullptr, L"open", program, quoted.c_str(),
                                                                            nullptr, SW_SHOWNORMAL)
                                                          : ::ShellExecuteW(nullptr, L"open", native.c_str(), nullptr,
                                                                            nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return DocumentOpener::Result::Opened;
    return result == SE_ERR_NOASSOC ? DocumentOpener::Result::NoProgram : DocumentOpener::Result::Failed;
}

}  // namespace

DocumentOpener::Result DocumentOpener::Open(const QString& target)
{
    return Execute(nullptr, target);
}

DocumentOpener::Result DocumentOpener::OpenWith(const QString& programId, const QString& target)
{
    if (programId.isEmpty())
        return Result::NoProgram;
    return Execute(QDir::toNativeSeparators(programId).toStdWString().c_str(), target);
}

}  // namespace nbr
