#pragma once
// A command that works on the store of the stick: the frame of every such
// command in one place. It parses the command's options and the number of
// arguments it takes, lets the command refuse what it can before the key
// file is read, opens the key file as far as the command needs (created,
// read, or read and unlocked with the password: the login steps run once),
// and then runs the command's own work on the open session.

#include "cli/CliCommand.h"

namespace nbr {
class EncryptedStore;
}

namespace nbr::cli {

class CliArguments;
class KeyFileSession;

class StoreCommand : public CliCommand {
public:
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) final;

protected:
    // How far the key file is opened before the command's work.
    enum class Access {
        Create,    // the store folder is made when missing; the key may not exist yet
        KeyFile,   // a store that is set up; no password
        Unlocked,  // a store that is set up, unlocked with the password
    };
    struct Shape {
        Access access = Access::Unlocked;
        int minArguments = 0;
        int maxArguments = 0;  // kAny for no limit
    };
    static constexpr int kAny = -1;

    [[nodiscard]] virtual Shape ArgumentShape() const = 0;
    // The arguments as the command wants them parsed ("-lR" as "-l -R").
    [[nodiscard]] virtual QStringList Split(const QStringList& arguments) const { return arguments; }
    // What can be refused before the key file is read: a bad option value, a
    // host file that is not there. Returns an exit code; success goes on.
    [[nodiscard]] virtual int Check(CliContext& context, const CliArguments& args);
    // The command's work with the key file open as its shape asks (the
    // store itself ready in `session.Store()` when unlocked).
    [[nodiscard]] virtual int Work(CliContext& context, const CliArguments& args, KeyFileSession& session) = 0;

    // Looks up one stored file (not a folder) by its display path; prints
    // why when it is not one. Returns an exit code.
    [[nodiscard]] static int FindFile(CliContext& context, KeyFileSession& session, const QString& displayPath,
                                      QString* storedPath);
    // After the user said no to a question: says so; returns the exit code.
    [[nodiscard]] static int Declined(CliContext& context);
    // A password hint the key file may take; prints why not. Returns an exit code.
    [[nodiscard]] static int CheckHint(CliContext& context, const QString& hint);
};

}  // namespace nbr::cli
