#include "cli/CatCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "cli/KeyFileSession.h"
#include "platform/SystemError.h"
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

int CatCommand::Run(CliContext& context, const QStringList& arguments)
{
    CliArguments args({}, {});
    if (!args.Parse(arguments) || args.Rest().size() != 1)
        return context.ArgumentsError(args, Name());
    const QString path = args.Rest().first();
    KeyFileSession session(context);
    if (const int code = session.UnlockStore(); code != kExitSuccess)
        return code;
    EncryptedStore& store = session.Store();
    QString stored;
    ManifestEntry entry;
    if (const int code = session.Find(store, path, &stored, &entry); code != kExitSuccess)
        return code;
    if (entry.isFolder)
        return context.Error(context.Text(msg::kCliNotAFile, {path}));

    FileCryptPtr engine;
    Status s = CreateKeyedCrypt(session.Params(), &engine);
    context.out.flush();
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
