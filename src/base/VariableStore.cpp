#include "base/VariableStore.h"

#include "platform/NativePath.h"

#include <QDir>

#include <algorithm>

namespace nbr {
namespace {

QString Undefined(const QString& name)
{
    return QStringLiteral("<undefined ") + name + QLatin1Char('>');
}

}  // namespace

VariableStore::Value& VariableStore::RawValue(const QString& name)
{
    return values_[name];
}

void VariableStore::SetVariable(const QString& name, const QString& value)
{
    RawValue(name) = Value {value, false};
}

void VariableStore::SetDefinition(const QString& name, const QString& definition)
{
    RawValue(name) = Value {definition, true};
}

bool VariableStore::IsDefined(const QString& name) const
{
    return values_.count(name) != 0;
}

QString VariableStore::GetVariable(const QString& name) const
{
    const auto found = values_.find(name);
    if (found == values_.end())
        return Undefined(name);
    if (!found->second.isDefinition)
        return found->second.text;
    std::vector<QString> open {name};
    QString out;
    Expand(found->second.text, &open, &out);
    return out;
}

void VariableStore::Expand(const QString& definition, std::vector<QString>* open, QString* out) const
{
    qsizetype at = 0;
    for (;;) {
        const qsizetype first = definition.indexOf(QLatin1Char('%'), at);
        const qsizetype second = first < 0 ? -1 : definition.indexOf(QLatin1Char('%'), first + 1);
        if (second < 0 || out->size() >= kMaxExpandedLength)
            break;
        out->append(QStringView(definition).mid(at, first - at));
        const QString reference = definition.mid(first + 1, second - first - 1);
        at = second + 1;
        const auto value = values_.find(reference);
        if (value == values_.end()) {
            out->append(Undefined(reference));
        } else if (!value->second.isDefinition) {
            // Inserted as it is: its percent signs are never read as references.
            out->append(value->second.text);
        } else if (std::find(open->begin(), open->end(), reference) != open->end()) {
            // A definition that comes back to itself stays as written.
            out->append(QStringView(definition).mid(first, second - first + 1));
        } else {
            open->push_back(reference);
            Expand(value->second.text, open, out);
            open->pop_back();
        }
    }
    // A lone percent sign is a character like any other.
    out->append(QStringView(definition).mid(at));
    if (out->size() > kMaxExpandedLength)
        out->truncate(kMaxExpandedLength);
}

QString VariableStore::LaunchPathOf(const QString& argument)
{
    QString text = argument.mid(3);
    if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"')))
        text.chop(1);
    // Paths inside the program use forward slashes (on Windows the starter
    // passes "G:\Nimbra" and, for a drive's top, "G:\.").
    text = QDir::fromNativeSeparators(text);
    if (text.endsWith(QLatin1String("/.")))
        text.chop(1);
    return text;
}

void VariableStore::InitVariables(const QStringList& arguments, const HostFacts& host)
{
    // The last launch path given wins; an empty one is nothing to launch from
    // and leaves an earlier one standing. Only that one is looked up on the
    // mount table, however many a command line repeats.
    QString launchPath;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("-l="))) {
            QString text = LaunchPathOf(argument);
            if (!text.isEmpty())
                launchPath = std::move(text);
        }
    }
    if (!launchPath.isEmpty()) {
        // Drive letters become upper case; a path that starts otherwise keeps its case.
        const QChar head = launchPath.at(0);
        if (head.unicode() < 0x80 && head.isLetter())
            launchPath[0] = head.toUpper();
        SetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_PATH"), launchPath);
        // A "letter" is the volume root that holds the launch path.
        SetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER"), HostFacts::VolumeRootOf(launchPath));
    }

    const QString sep = NativePath::kSeparator;
    SetDefinition(QStringLiteral("NBR_DEVICE_DOCUMENT_PATH"),
                  QStringLiteral("%NBR_DEVICE_DOCUMENT_LETTER%") + sep + QStringLiteral("Encrypted Data"));
    SetDefinition(QStringLiteral("NBR_DEVICE_APP_SETTINGS_PATH"),
                  QStringLiteral("%NBR_DEVICE_DOCUMENT_LETTER%") + sep + QStringLiteral("Nimbra Settings"));

    if (!host.programPath.isEmpty() && NativePath::HasSeparator(host.programPath)) {
        SetVariable(QStringLiteral("NBR_HOST_EXEC_PATH"), NativePath::ParentOf(host.programPath));
        SetVariable(QStringLiteral("NBR_MODULE_NAME"), NativePath::LastComponent(host.programPath));
    }

    SetVariable(QStringLiteral("NBR_ENV_LANGUAGE"), QString::number(host.languageId));
    SetVariable(QStringLiteral("NBR_HOST_APPDATA_PATH"),
                host.appDataFolder + sep + QStringLiteral("Orvane") + sep + QStringLiteral("Nimbra"));
    SetDefinition(QStringLiteral("NBR_HOST_TEMP_PATH"), QStringLiteral("%NBR_HOST_EXEC_PATH%") + sep + QStringLiteral("Temp"));
    SetDefinition(QStringLiteral("NBR_SEC_PARAM_FILE"),
                  QStringLiteral("%NBR_DEVICE_DOCUMENT_PATH%") + sep + QStringLiteral("secparams.enc"));
}

}  // namespace nbr
