#include "cli/CatCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "platform/SystemError.h"
#include "platform/Terminal.h"
#include "security/CreateCrypt.h"
#include "security/CryptBase.h"
#include "store/EncryptedStore.h"

#include <cerrno>
#include <cstdio>

namespace nbr::cli {

QString CatCommand::Help() const
{
    return QStringLiteral("Decrypts one stored file and writes its content to standard output.");
}

int CatCommand::Work(CliContext& context, const CliArguments& args, KeyFileSession& session)
{
    const QString path = args.Rest().first();
    QString stored;
    if (const int code = FindFile(context, session, path, &stored); code != kExitSuccess)
        return code;

    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(session.Params(), &engine);
    context.out.flush();
    std::fflush(stdout);
    Terminal::SetBinary(Terminal::kOutput);
    if (Succeeded(s)) {
        s = engine->DecryptFileToSink(stored, [](const std::uint8_t* data, std::size_t n) {
            if (std::fwrite(data, 1, n, stdout) != n)
                return SystemError::StatusFromErrno(errno == 0 ? EIO : errno);
            return S_OK;
        });
    }
    if (std::fflush(stdout) != 0 && Succeeded(s))
        s = SystemError::StatusFromErrno(errno);
    if (Failed(s))
        return context.StatusError(s, path);
    return kExitSuccess;
}

}  // namespace nbr::cli
