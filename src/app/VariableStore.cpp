#include "app/VariableStore.h"

#include "platform/NativePath.h"

namespace nbr {
namespace {

QString Undefined(const QString& name)
{
    return QStringLiteral("<undefined ") + name + QLatin1Char('>');
}

// Expanded values longer than this come only from variables that refer to
// themselves; expansion stops there instead of eating memory.
constexpr qsizetype kMaxExpandedLength = 1 << 20;

}  // namespace

QString& VariableStore::RawValue(const QString& name)
{
    return values_[name];
}

void VariableStore::SetVariable(const QString& name, const QString& value)
{
    RawValue(name) = value;
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

    QString work = found->second;
    // A nesting deeper than the number of variables can only be a cycle.
    const std::size_t maxPasses = values_.size() + 1;
    for (std::size_t pass = 0;; ++pass) {
        QString out;
        bool resolved = false;
        qsizetype first = work.indexOf(QLatin1Char('%'));
        while (first >= 0) {
            const qsizetype second = work.indexOf(QLatin1Char('%'), first + 1);
            if (second < 0)
                break;
            out += QStringView(work).left(first);
            const QString reference = work.mid(first + 1, second - first - 1);
            const auto value = values_.find(reference);
            out += value != values_.end() ? value->second : Undefined(reference);
            resolved = true;
            work.remove(0, second + 1);
            first = work.indexOf(QLatin1Char('%'));
        }
        out += work;
        // A lone percent sign, or a variable that refers to itself, would make
        // the passes run forever: stop once a pass changes nothing more.
        if (!out.contains(QLatin1Char('%')) || !resolved || pass + 1 >= maxPasses
            || out.size() > kMaxExpandedLength)
            return out;
        work = std::move(out);
    }
}

void VariableStore::TakeLaunchArgument(const QString& argument)
{
    QString text = argument.mid(3);
    if (text.startsWith(QLatin1Char('"')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('"')))
        text.chop(1);
    if (text.isEmpty())
        return;  // nothing to launch from: the launch check refuses the start
    // Drive letters become upper case; a path that starts otherwise keeps its case.
    const QChar head = text.at(0);
    if (head.unicode() < 0x80 && head.isLetter())
        text[0] = head.toUpper();
    SetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_PATH"), text);
    // A "letter" is the volume root that holds the launch path.
    SetVariable(QStringLiteral("NBR_DEVICE_LAUNCH_LETTER"), HostFacts::VolumeRootOf(text));
}

void VariableStore::InitVariables(const QStringList& arguments, const HostFacts& host)
{
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1String("-l=")))
            TakeLaunchArgument(argument);
    }

    const QString sep = NativePath::kSeparator;
    SetVariable(QStringLiteral("NBR_DEVICE_DOCUMENT_PATH"),
                QStringLiteral("%NBR_DEVICE_DOCUMENT_LETTER%") + sep + QStringLiteral("Encrypted Data"));
    SetVariable(QStringLiteral("NBR_DEVICE_APP_SETTINGS_PATH"),
                QStringLiteral("%NBR_DEVICE_DOCUMENT_LETTER%") + sep + QStringLiteral("Nimbra Settings"));

    if (!host.programPath.isEmpty() && NativePath::HasSeparator(host.programPath)) {
        SetVariable(QStringLiteral("NBR_HOST_EXEC_PATH"), NativePath::ParentOf(host.programPath));
        SetVariable(QStringLiteral("NBR_MODULE_NAME"), NativePath::LastComponent(host.programPath));
    }

    SetVariable(QStringLiteral("NBR_ENV_LANGUAGE"), QString::number(host.languageId));
    SetVariable(QStringLiteral("NBR_HOST_APPDATA_PATH"),
                host.appDataFolder + sep + QStringLiteral("Orvane") + sep + QStringLiteral("Nimbra"));
    SetVariable(QStringLiteral("NBR_HOST_TEMP_PATH"), QStringLiteral("%NBR_HOST_EXEC_PATH%") + sep + QStringLiteral("Temp"));
    SetVariable(QStringLiteral("NBR_SEC_PARAM_FILE"),
                QStringLiteral("%NBR_DEVICE_DOCUMENT_PATH%") + sep + QStringLiteral("secparams.enc"));
}

}  // namespace nbr
