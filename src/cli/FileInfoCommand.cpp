#include "cli/FileInfoCommand.h"

#include "base/MessageIds.h"
#include "cli/CliArguments.h"
#include "cli/CliContext.h"
#include "cli/ExitCode.h"
#include "platform/FileAttributes.h"
#include "platform/NativeFile.h"
#include "platform/NativePath.h"
#include "security/CreateCrypt.h"
#include "security/EncryptedFileHeader.h"
#include "security/KeyFileLayout.h"
#include "security/KeyStretch.h"
#include "security/SecurityStatus.h"

namespace nbr::cli {
namespace {

QString Field(const char* name)
{
    return QStringLiteral("%1").arg(QString::fromLatin1(name) + QLatin1Char(':'), -18);
}

QString DateText(FileTime time)
{
    const QDateTime date = time.ToDateTime();
    if (!date.isValid())
        return QStringLiteral("not recorded");
    return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" UTC");
}

QString AttributeText(std::uint32_t attributes)
{
    QStringList names;
    const std::pair<std::uint32_t, const char*> bits[] = {
        {FileAttributes::kReadOnly, "read-only"}, {FileAttributes::kHidden, "hidden"},
        {FileAttributes::kSystem, "system"},      {FileAttributes::kDirectory, "directory"},
        {FileAttributes::kArchive, "archive"},    {FileAttributes::kNormal, "normal"}};
    for (const auto& [bit, name] : bits) {
        if (attributes & bit)
            names << QString::fromLatin1(name);
    }
    return QStringLiteral("0x") + QString::number(attributes, 16).toUpper().rightJustified(8, QLatin1Char('0'))
           + (names.isEmpty() ? QString() : QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

QString FormatName(std::uint16_t formatId)
{
    switch (formatId) {
    case 4: return QStringLiteral("4 (AES-256)");
    case 5: return QStringLiteral("5 (AES-128)");
    default: return QStringLiteral("%1 (old format, cannot be decrypted)").arg(formatId);
    }
}

QString ProtectionText(const QByteArray& head)
{
    const std::uint16_t version = KeyFileLayout::RecordVersion(head);
    if (version == KeyFileLayout::kPlainVersion)
        return QStringLiteral("plain (SHA-256 of the password and a salt)");
    if (version != KeyFileLayout::kHardenedVersion)
        return QStringLiteral("unknown (record version %1: damaged, or not a key file of Nimbra)").arg(version);
    if (head.size() < static_cast<qsizetype>(KeyFileLayout::kRecordOffset + KeyFileLayout::kStretchEnd))
        return QStringLiteral("hardened, but the record is cut short");
    KeyStretch stretch;
    const auto* record = reinterpret_cast<const std::uint8_t*>(head.constData()) + KeyFileLayout::kRecordOffset;
    const Status s = KeyStretch::FromRecord(record, &stretch);
    if (s == E_STRETCH_COST)
        return QStringLiteral("hardened, at a cost beyond what Nimbra opens (at most 1 GiB and %1 passes)")
            .arg(KeyStretch::kMaxPasses);
    if (Failed(s))
        return QStringLiteral("hardened, with a stretching Nimbra does not know");
    return QStringLiteral("hardened (Argon2id, %1 MiB, %2 passes, %3 lanes; opens only in Nimbra)")
        .arg(stretch.cost.memoryKiB / 1024.0, 0, 'g', 6)
        .arg(stretch.cost.passes)
        .arg(stretch.cost.lanes);
}

}  // namespace

QString FileInfoCommand::Help() const
{
    return QStringLiteral(
        "Shows what FILE holds without decrypting it. For an encrypted file: the\n"
        "format id, the plain size, the attributes, the three times, the key block\n"
        "length and the encrypted name's length. For a key file: whether the key is\n"
        "present, how it checks the password (plain, or hardened with Argon2id and\n"
        "its cost) and which property slots hold values. No password is needed.");
}

void FileInfoCommand::PrintKeyFile(CliContext& context, const QString& path, const QByteArray& head)
{
    QTextStream& out = context.out;
    out << Field("File") << path << '\n' << Field("Type") << "key file\n";
    out << Field("Size") << head.size() << " bytes\n";
    out << Field("Key") << (KeyFileLayout::HasMagic(head) ? "present" : "absent (the store is not set up)") << '\n';
    if (KeyFileLayout::HasMagic(head))
        out << Field("Password check") << ProtectionText(head) << '\n';
    QStringList filled;
    for (std::uint32_t slot = 0; slot < KeyFileLayout::kPropertySlots; ++slot) {
        std::uint32_t length = 0;
        if (KeyFileLayout::SlotHoldsValue(head, slot, &length))
            filled << QStringLiteral("%1 (%2 bytes)").arg(slot).arg(length);
    }
    out << Field("Property slots") << (filled.isEmpty() ? QStringLiteral("none") : filled.join(QStringLiteral(", ")))
        << '\n';
}

void FileInfoCommand::PrintHeader(CliContext& context, const QString& path, const EncryptedFileHeader& header,
                                 unsigned long long fileSize, unsigned long long headerEnd)
{
    QTextStream& out = context.out;
    out << Field("File") << path << '\n' << Field("Type") << "encrypted file\n";
    out << Field("Format id") << FormatName(header.formatId) << '\n';
    out << Field("Plain size") << static_cast<qulonglong>(header.size) << " bytes\n";
    out << Field("Attributes") << AttributeText(header.attributes) << '\n';
    out << Field("Created") << DateText(header.creation) << '\n';
    out << Field("Last access") << DateText(header.lastAccess) << '\n';
    out << Field("Last write") << DateText(header.lastWrite) << '\n';
    out << Field("Header length") << header.Length() << " bytes\n";
    if (!header.IsLegacy()) {
        out << Field("Key block") << header.keyBlock.size() << " bytes\n";
        out << Field("Encrypted name") << header.encryptedName.size() << " bytes, " << header.nameCount
            << " code units\n";
        const unsigned long long expected = (header.size + 15) / 16 * 16;
        // The content starts where the length field says the header ends,
        // which may lie beyond the fields it holds.
        const unsigned long long content = fileSize > headerEnd ? fileSize - headerEnd : 0;
        out << Field("Content") << content << " bytes";
        if (content != expected)
            out << " (expected " << expected << ": the file is cut short or has extra bytes)";
        out << '\n';
    }
}

int FileInfoCommand::Run(CliContext& context, const QStringList& arguments)
{
    CliArguments args({}, {});
    if (!args.Parse(arguments))
        return context.ArgumentsError(args, Name());
    if (args.Rest().size() != 1) {
        context.Error(context.Text(msg::kCliWrongArguments, {Name()}),
                      context.Text(msg::kCliUsage, {QStringLiteral("nimbra-cli inspect FILE")}));
        return kExitUsage;
    }
    const QString path = args.Rest().first();
    NativeFile file;
    Status s = file.OpenRead(path);
    std::uint64_t size = 0;
    if (Succeeded(s))
        s = file.Size(&size);
    if (Failed(s))
        return context.StatusError(s, path);

    // The key file is small; its head decides what the file is.
    QByteArray head(static_cast<qsizetype>(std::min<std::uint64_t>(size, KeyFileLayout::kFileLength)), '\0');
    std::size_t got = 0;
    if (Failed(s = file.Read(head.data(), static_cast<std::size_t>(head.size()), &got)))
        return context.StatusError(s, path);
    head.truncate(static_cast<qsizetype>(got));
    if (KeyFileLayout::HasMagic(head) || NativePath::LastComponent(path) == QLatin1String("secparams.enc")) {
        PrintKeyFile(context, path, head);
        return kExitSuccess;
    }

    CryptPtr engine;
    EncryptedFileHeader header;
    std::uint64_t headerEnd = 0;
    if (Failed(s = CreateCrypt(CryptAlgorithmAes256, &engine)) || Failed(s = file.Seek(0))
        || Failed(s = engine->ReadHeader(file, header)) || Failed(s = file.Tell(&headerEnd)))
        return context.StatusError(s, path);
    PrintHeader(context, path, header, size, headerEnd);
    return kExitSuccess;
}

}  // namespace nbr::cli
