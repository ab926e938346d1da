#pragma once
// "inspect FILE": what an encrypted file's header or a key file's layout
// says, without a password.

#include "cli/CliCommand.h"

class QByteArray;

namespace nbr {
struct EncryptedFileHeader;
}

namespace nbr::cli {

class FileInfoCommand final : public CliCommand {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("inspect"); }
    [[nodiscard]] QString Usage() const override { return QStringLiteral("FILE"); }
    [[nodiscard]] QString Summary() const override
    {
        return QStringLiteral("show the header of an encrypted file or the layout of a key file");
    }
    [[nodiscard]] QString Help() const override;
    [[nodiscard]] int Run(CliContext& context, const QStringList& arguments) override;

private:
    static void PrintKeyFile(CliContext& context, const QString& path, const QByteArray& head);
    // `headerEnd`: where the content begins, as the length field says.
    static void PrintHeader(CliContext& context, const QString& path, const EncryptedFileHeader& header,
                            unsigned long long fileSize, unsigned long long headerEnd);
};

}  // namespace nbr::cli
