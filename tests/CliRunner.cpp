#include "CliRunner.h"

#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

namespace nbr::test {

QProcessEnvironment CliEnvironment()
{
    static QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    return env;
}

CliResult RunCli(const QStringList& arguments, const QByteArray& input, const QProcessEnvironment& env, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(NIMBRA_CLI), arguments);
    process.write(input);
    process.closeWriteChannel();
    CliResult result;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QStringList SetUpStore(const QString& root, bool* ok)
{
    *ok = WriteAll(root + QStringLiteral("/pw"), "secret1\n")
          && RunCli({QStringLiteral("--root"), root, QStringLiteral("init")}, "secret1\nsecret1\n").exitCode == 0;
    return {QStringLiteral("--root"), root, QStringLiteral("--password-file"), root + QStringLiteral("/pw")};
}

QString StorePath(const QString& root, const QString& name)
{
    const QString store = root + QStringLiteral("/Encrypted Data");
    return name.isEmpty() ? store : store + QLatin1Char('/') + name;
}

}  // namespace nbr::test
