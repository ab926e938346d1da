#include "base/RegistrySettings.h"

#include <QSettings>

#include <climits>

namespace nbr {

RegistrySettings::RegistrySettings()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QString::fromLatin1(kCompany), QString::fromLatin1(kProduct)))
{
}

RegistrySettings::RegistrySettings(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

RegistrySettings::~RegistrySettings() = default;

QString RegistrySettings::KeyPath() const
{
    return QStringLiteral("SOFTWARE\\%1\\%2\\%3\\")
        .arg(QString::fromLatin1(kCompany), QString::fromLatin1(kProduct), QString::fromLatin1(kVersionPart));
}

bool RegistrySettings::WriteText(const QString& name, const QString& text)
{
    settings_->beginGroup(QString::fromLatin1(kVersionPart));
    settings_->setValue(name, text);
    settings_->endGroup();
    return Sync();
}

bool RegistrySettings::WriteNumber(const QString& name, int value)
{
    return WriteText(name, QString::number(value));
}

bool RegistrySettings::WriteNumbers(std::initializer_list<std::pair<QString, int>> values)
{
    settings_->beginGroup(QString::fromLatin1(kVersionPart));
    for (const auto& [name, value] : values)
        settings_->setValue(name, QString::number(value));
    settings_->endGroup();
    return Sync();
}

bool RegistrySettings::Sync()
{
    ++writes_;
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

bool RegistrySettings::ReadText(const QString& name, QString* text) const
{
    if (settings_->status() != QSettings::NoError)
        return false;
    const QString key = QString::fromLatin1(kVersionPart) + QLatin1Char('/') + name;
    if (!settings_->contains(key))
        return false;
    *text = settings_->value(key).toString();
    return true;
}

bool RegistrySettings::ReadNumber(const QString& name, int* value) const
{
    QString text;
    if (!ReadText(name, &text))
        return false;
    *value = ToNumber(text);
    return true;
}

int RegistrySettings::ToNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == u'\t' || text.at(i) == u'\n'
                               || text.at(i) == u'\r' || text.at(i) == u'\v' || text.at(i) == u'\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        negative = text.at(i++) == u'-';
    long long value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;  // saturate, as the C conversion does
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}

}  // namespace nbr
