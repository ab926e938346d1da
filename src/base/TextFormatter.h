#pragma once
// printf-style formatting of the language packs' texts with typed arguments.
// A pack is read from a file, so its placeholders are input: a conversion
// that does not match its argument, or has none, is written out readably and
// never reads past the arguments.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <variant>

namespace nbr {

class TextArg {
public:
    TextArg(const QString& text) : value_(text) {}
    TextArg(const char* text) : value_(QString::fromUtf8(text)) {}
    TextArg(int n) : value_(static_cast<std::int64_t>(n)) {}
    TextArg(long n) : value_(static_cast<std::int64_t>(n)) {}
    TextArg(long long n) : value_(static_cast<std::int64_t>(n)) {}
    TextArg(unsigned n) : value_(static_cast<std::uint64_t>(n)) {}
    TextArg(unsigned long n) : value_(static_cast<std::uint64_t>(n)) {}
    TextArg(unsigned long long n) : value_(static_cast<std::uint64_t>(n)) {}
    TextArg(double d) : value_(d) {}

    using Value = std::variant<QString, std::int64_t, std::uint64_t, double>;
    [[nodiscard]] const Value& value() const { return value_; }

private:
    Value value_;
};

class TextFormatter {
public:
    static constexpr qsizetype kMaxLength = 16384;

    // Formats `format` with `args`. Supported: %s, %d, %i, %u, %x, %X, %f, %c
    // with flags (-, 0, +, space), width, precision and the size prefixes
    // h, l, ll, I64; and %%. `ok` (optional) is false when a conversion had no
    // argument or one of another type, when arguments were left over, or when
    // the format held an unknown conversion. `decimalPoint` is the current
    // language's.
    [[nodiscard]] static QString Format(const QString& format, std::initializer_list<TextArg> args, bool* ok = nullptr,
                                        QChar decimalPoint = QLatin1Char('.'));
    // The conversions of a text in order, as written ("%s of %d" gives
    // {"%s", "%d"}), to compare translations with the original.
    [[nodiscard]] static QStringList Placeholders(const QString& format);
};

}  // namespace nbr
