#include "CliTestSupport.h"

#include "TestSupport.h"
#include "cli/CliApp.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <optional>
#include <fcntl.h>
#ifndef _WIN32
#include <stdio_ext.h>
#endif
#include <unistd.h>

namespace nbr::test {
namespace {

// The program's output as text; Windows ends its lines with CR LF.
QString Text(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
#ifdef _WIN32
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
#endif
    return text;
}

}  // namespace

QString Config()
{
    static QTemporaryDir config;
    return config.path();
}

QProcessEnvironment CliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), Config());
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("LC_MESSAGES"));
    env.remove(QStringLiteral("LANGUAGE"));
    return env;
}

Result RunCli(const QStringList& arguments, const QByteArray& input, const QString& inputFile,
              const QHash<QString, QString>& extra, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = CliEnvironment();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    if (!inputFile.isEmpty())
        process.setStandardInputFile(inputFile);
    process.start(QStringLiteral(NIMBRA_CLI), arguments);
    if (inputFile.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    Result result;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.exitCode = process.exitCode();
    result.out = Text(process.readAllStandardOutput());
    result.err = Text(process.readAllStandardError());
    return result;
}

namespace {

#ifdef _WIN32
// The C runtime there opens in text mode unless told, and knows no O_CLOEXEC.
constexpr int kOpenFlags = O_BINARY;
#else
constexpr int kOpenFlags = O_CLOEXEC;
#endif

// One standard stream of this process pointed at a file for a while.
class Redirect {
public:
    Redirect(int fd, const QString& file, int flags) : fd_(fd), saved_(::dup(fd))
    {
        const int target = ::open(QFile::encodeName(file).constData(), flags | kOpenFlags, 0600);
        ok_ = saved_ >= 0 && target >= 0 && ::dup2(target, fd) >= 0;
        if (target >= 0)
            ::close(target);
    }
    ~Redirect()
    {
        if (saved_ >= 0) {
            (void)::dup2(saved_, fd_);
            ::close(saved_);
        }
    }
    Redirect(const Redirect&) = delete;
    Redirect& operator=(const Redirect&) = delete;
    [[nodiscard]] bool Ok() const { return ok_; }

private:
    int fd_;
    int saved_;
    bool ok_ = false;
};

// The environment of a run set for its length, and put back after.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const QProcessEnvironment& env)
    {
        const QProcessEnvironment now = QProcessEnvironment::systemEnvironment();
        for (const QString& key : now.keys() + env.keys()) {
            if (now.value(key) == env.value(key) && now.contains(key) == env.contains(key))
                continue;
            saved_.insert(key, qEnvironmentVariableIsSet(qPrintable(key)) ? std::optional(qgetenv(qPrintable(key)))
                                                                          : std::nullopt);
            if (env.contains(key))
                qputenv(qPrintable(key), env.value(key).toLocal8Bit());
            else
                qunsetenv(qPrintable(key));
        }
    }
    ~ScopedEnvironment()
    {
        for (auto it = saved_.cbegin(); it != saved_.cend(); ++it) {
            if (it.value())
                qputenv(qPrintable(it.key()), *it.value());
            else
                qunsetenv(qPrintable(it.key()));
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    QHash<QString, std::optional<QByteArray>> saved_;
};

}  // namespace

Result RunHere(const QStringList& arguments, const QByteArray& input, const QHash<QString, QString>& extra)
{
    QTemporaryDir io;
    Result result;
    const QString in = io.filePath(QStringLiteral("in"));
    const QString out = io.filePath(QStringLiteral("out"));
    const QString err = io.filePath(QStringLiteral("err"));
    if (!io.isValid() || !WriteAll(in, input))
        return result;
    QProcessEnvironment env = CliEnvironment();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        env.insert(it.key(), it.value());
    std::fflush(stdout);
    std::fflush(stderr);
    {
        const ScopedEnvironment scoped(env);
        const Redirect redirectIn(STDIN_FILENO, in, O_RDONLY);
        const Redirect redirectOut(STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC);
        const Redirect redirectErr(STDERR_FILENO, err, O_WRONLY | O_CREAT | O_TRUNC);
        if (!redirectIn.Ok() || !redirectOut.Ok() || !redirectErr.Ok())
            return result;
#ifdef _WIN32
        std::fflush(stdin);  // the C runtime there drops buffered input so
#else
        __fpurge(stdin);  // nothing of an earlier run's input stays buffered
#endif
        clearerr(stdin);
        cli::CliApp app;
        result.exitCode = app.Run(arguments);
        std::fflush(stdout);
        std::fflush(stderr);
    }
    result.out = Text(ReadAll(out));
    result.err = Text(ReadAll(err));
    return result;
}

QStringList SetUpStore(const QTemporaryDir& root, bool* ok)
{
    *ok = WriteAll(root.filePath(QStringLiteral("pw")), "secret1\n")
          && RunCli({QStringLiteral("--root"), root.path(), QStringLiteral("init")}, "secret1\nsecret1\n").exitCode == 0;
    return {QStringLiteral("--root"), root.path(), QStringLiteral("--password-file"), root.filePath(QStringLiteral("pw"))};
}

void StartOnTerminal(QProcess& process, const QStringList& arguments)
{
    // The shell script(1) starts must hand its place to the program: a shell
    // that waits for it would die of the Ctrl+C typed at the terminal (dash
    // does), and the terminal's end would then hang up on the program.
    QStringList quoted;
    for (const QString& a : QStringList {QStringLiteral(NIMBRA_CLI)} + arguments)
        quoted << QLatin1Char('\'') + a + QLatin1Char('\'');
    process.start(QStringLiteral("script"), {QStringLiteral("-q"), QStringLiteral("-e"), QStringLiteral("-c"),
                                             QStringLiteral("exec ") + quoted.join(QLatin1Char(' ')), QStringLiteral("/dev/null")});
}

Result RunOnTerminal(const QStringList& arguments, const QByteArray& input, const QHash<QString, QString>& extra)
{
    QProcess process;
    QProcessEnvironment env = CliEnvironment();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    StartOnTerminal(process, arguments);
    Result result;
    if (!process.waitForStarted())
        return result;
    // Type line by line, as a person would, once the program waits.
    for (const QByteArray& line : input.split('\n')) {
        if (line.isEmpty())
            continue;
        QThread::msleep(300);
        process.write(line + '\n');
        process.waitForBytesWritten();
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return result;
    result.exitCode = process.exitCode();
    result.out = Text(process.readAllStandardOutput());
    return result;
}

}  // namespace nbr::test
