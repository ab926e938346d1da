#pragma once
// The user-interface settings: named text values under the program's key.
// On Linux they live in $XDG_CONFIG_HOME/Orvane/Nimbra.conf, in the group of
// the key's version part; tests give a file of their own.

#include <QString>

#include <initializer_list>
#include <memory>
#include <utility>

class QSettings;

namespace nbr {

class RegistrySettings {
public:
    static constexpr const char* kCompany = "Orvane";
    static constexpr const char* kProduct = "Nimbra";
    static constexpr const char* kVersionPart = "1.0.0.1";

    RegistrySettings();
    explicit RegistrySettings(const QString& filePath);
    ~RegistrySettings();
    RegistrySettings(const RegistrySettings&) = delete;
    RegistrySettings& operator=(const RegistrySettings&) = delete;

    // "SOFTWARE\Orvane\Nimbra\1.0.0.1\": no version resource exists here, so
    // the built-in path applies.
    [[nodiscard]] QString KeyPath() const;

    [[nodiscard]] bool WriteText(const QString& name, const QString& text);
    [[nodiscard]] bool WriteNumber(const QString& name, int value);
    // Several values with one write of the file.
    [[nodiscard]] bool WriteNumbers(std::initializer_list<std::pair<QString, int>> values);
    // How many times the settings were written out (each write syncs).
    [[nodiscard]] int Writes() const { return writes_; }
    // False when the value is missing or the settings cannot be read.
    [[nodiscard]] bool ReadText(const QString& name, QString* text) const;
    [[nodiscard]] bool ReadNumber(const QString& name, int* value) const;

    // The usual decimal conversion: leading blanks, an optional sign, digits;
    // anything else ends the number; no digits give 0.
    [[nodiscard]] static int ToNumber(const QString& text);

private:
    [[nodiscard]] bool Sync();

    std::unique_ptr<QSettings> settings_;
    int writes_ = 0;
};

}  // namespace nbr
