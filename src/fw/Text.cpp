#include "Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <QStringDecoder>

namespace fw {

std::string Str(std::int32_t value) {
    return std::to_string(value);
}

std::string Str(float value) {
    // Fixed notation with no precision given is the shortest text that reads back as the
    // same float, without an exponent; whole numbers come out without a point.
    if (value == 0.0f)
        value = 0.0f; // no "-0"
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

double Round(double value) {
    return std::round(value);
}

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string Lowercase(const std::string& text) {
    // A leading byte order mark is text like any other here, not something to drop.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!decoder.hasError())
        return fromQString(decoded.toLower());
    std::string lowered = text;
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), asciiLower);
    return lowered;
}

int InStr(const std::string& text, const std::string& needle, int start) {
    // An empty needle is never found: a search for nothing must not match everything.
    if (needle.empty())
        return 0;
    const auto from = static_cast<std::size_t>(std::max(start, 1) - 1);
    if (from > text.size())
        return 0;
    const auto pos = text.find(needle, from);
    return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

std::string Replace(const std::string& text, const std::string& from, const std::string& to) {
    if (from.empty())
        return text;
    std::string result = text;
    if (const auto pos = result.find(from); pos != std::string::npos)
        result.replace(pos, from.size(), to);
    return result;
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
    if (from.empty())
        return text;
    std::string result;
    std::size_t begin = 0;
    for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, begin)) {
        result.append(text, begin, pos - begin).append(to);
        begin = pos + from.size();
    }
    return result.append(text, begin);
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    if (separator.empty())
        return {text};
    std::vector<std::string> pieces;
    std::size_t begin = 0;
    for (auto pos = text.find(separator); pos != std::string::npos;
         pos = text.find(separator, begin)) {
        pieces.push_back(text.substr(begin, pos - begin));
        begin = pos + separator.size();
    }
    pieces.push_back(text.substr(begin));
    return pieces;
}

std::string Trim(const std::string& text) {
    constexpr const char* blanks = " \t";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

QString toQString(const std::string& text) {
    QString result = QString::fromUtf8(text.data(), qsizetype(text.size()));
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

std::string fromQString(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace fw
