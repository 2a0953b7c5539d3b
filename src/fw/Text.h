#pragma once

#include <cstdint>
#include <QString>
#include <string>
#include <vector>

// Text and number helpers. Texts are UTF-8 byte strings (std::string): file names on Linux
// are bytes and need not be valid UTF-8, so paths and everything built from them keep their
// bytes until they are shown.
namespace fw {

// Carriage return, the line break of message and help texts.
inline constexpr char CR = '\r';

std::string Str(std::int32_t value);
// Shortest decimal form that reads back as the same float; whole numbers have no point.
std::string Str(float value);
// Nearest whole number, halves away from zero.
double Round(double value);
// Unicode-aware for valid UTF-8; other bytes are lowered as ASCII and kept otherwise.
std::string Lowercase(const std::string& text);
// 1-based position of needle in text from 1-based start, 0 when absent.
int InStr(const std::string& text, const std::string& needle, int start = 1);
std::string Replace(const std::string& text, const std::string& from, const std::string& to);
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);
// Splits at every occurrence of the separator; always gives at least one piece.
std::vector<std::string> Split(const std::string& text, const std::string& separator);
// Removes leading and trailing blanks and tabs.
std::string Trim(const std::string& text);

// For display only: invalid UTF-8 shows as replacement characters, CR as a line break.
QString toQString(const std::string& text);
std::string fromQString(const QString& text);

} // namespace fw
