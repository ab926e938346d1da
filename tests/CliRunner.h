#pragma once
// Runs nimbra-cli as a user would: settings and language of its own, stores
// set up with a known password.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QTemporaryDir;

namespace nbr::test {

struct CliResult {
    int exitCode = -1;  // -1: it crashed or did not end in time
    QString out;
    QString err;
};

// The environment the runs get: C.UTF-8 and a settings folder of their own.
QProcessEnvironment CliEnvironment();
CliResult RunCli(const QStringList& arguments, const QByteArray& input = {},
                 const QProcessEnvironment& env = CliEnvironment(), int timeoutMs = 30000);
// A store under `root` with the password "secret1", which the file "pw"
// beside it holds; gives the global options that reach it.
QStringList SetUpStore(const QString& root, bool* ok);
// `path` as the tests spell it, below the stick's store folder.
QString StorePath(const QString& root, const QString& name = {});

}  // namespace nbr::test
