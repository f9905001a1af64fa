#include "XTokenizer.h"

#include "modeller/model/LittleEndian.h"

#include <charconv>
#include <cstring>

namespace {

constexpr size_t kGuidTextSize = 38; // <XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>
constexpr size_t kGuidBytes = 16;

bool isSpace(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

XTokenCode punctuation(char c)
{
    switch (c) {
    case '{': return kXOpenBrace;
    case '}': return kXCloseBrace;
    case '(': return kXOpenParen;
    case ')': return kXCloseParen;
    case '[': return kXOpenBracket;
    case ']': return kXCloseBracket;
    case '>': return kXCloseAngle;
    case ',': return kXComma;
    case ';': return kXSemicolon;
    default: return kXEnd;
    }
}

bool endsWord(char c)
{
    return isSpace(c) || punctuation(c) != kXEnd || c == '<' || c == '"';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHex(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool parsesWhole(const char* first, const char* last, double& value)
{
    if (first < last && *first == '+')
        ++first;
    const std::from_chars_result result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

bool parsesWhole(const char* first, const char* last, long long& value)
{
    if (first < last && *first == '+')
        ++first;
    const std::from_chars_result result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

bool isStandAlone(uint16_t code)
{
    return (code >= kXOpenBrace && code <= kXSemicolon) || code == kXTemplate || (code >= kXWord && code <= kXArray);
}

}

bool isSameWord(const char* text, size_t size, const char* lowerCase)
{
    const size_t length = std::strlen(lowerCase);
    if (size != length)
        return false;
    for (size_t i = 0; i < size; ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? char(text[i] - 'A' + 'a') : text[i];
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

XTokenizer::XTokenizer(const char* body, size_t size, bool binary, unsigned floatBytes)
    : body_(body), size_(size), binary_(binary), floatBytes_(floatBytes)
{
}

bool XTokenizer::next(XToken& token)
{
    if (failure_)
        return false;
    token = XToken();
    return binary_ ? nextBinary(token) : nextText(token);
}

bool XTokenizer::nextText(XToken& token)
{
    for (;;) {
        while (at_ < size_ && isSpace(body_[at_]))
            ++at_;
        if (at_ == size_)
            return false;
        const char c = body_[at_];
        const bool comment = c == '#' || (c == '/' && at_ + 1 < size_ && body_[at_ + 1] == '/');
        if (!comment)
            break;
        const void* lineEnd = std::memchr(body_ + at_, '\n', size_ - at_);
        at_ = lineEnd ? size_t(static_cast<const char*>(lineEnd) - body_) : size_;
    }
    token.begin = at_;
    const char c = body_[at_];
    if (c == '"')
        return readString(token);
    if (c == '<')
        return readGuid(token);
    const XTokenCode code = punctuation(c);
    const bool dot = c == '.' && !(at_ + 1 < size_ && isDigit(body_[at_ + 1]));
    if (code != kXEnd || dot) {
        token.code = dot ? kXDot : code;
        token.end = ++at_;
        return true;
    }
    return readNameOrNumber(token);
}

// A name, an integer, a float or the keyword "template".
bool XTokenizer::readNameOrNumber(XToken& token)
{
    size_t end = at_;
    while (end < size_ && !endsWord(body_[end]))
        ++end;
    const char* first = body_ + at_;
    const char* last = body_ + end;
    token.text = at_;
    token.textSize = end - at_;
    token.end = at_ = end;
    const char lead = *first;
    const bool numeric = isDigit(lead) || lead == '-' || lead == '+' || lead == '.';
    long long integer = 0;
    double real = 0.0;
    if (numeric && parsesWhole(first, last, integer))
        token.code = kXInteger;
    else if (numeric && parsesWhole(first, last, real))
        token.code = kXFloat;
    else
        token.code = isSameWord(first, token.textSize, "template") ? kXTemplate : kXName;
    token.count = token.code == kXInteger || token.code == kXFloat ? 1 : 0;
    return true;
}

bool XTokenizer::readString(XToken& token)
{
    const void* close = std::memchr(body_ + at_ + 1, '"', size_ - at_ - 1);
    if (!close)
        return fail("文字列が閉じていない");
    const size_t end = size_t(static_cast<const char*>(close) - body_);
    token.code = kXString;
    token.text = at_ + 1;
    token.textSize = end - at_ - 1;
    token.end = at_ = end + 1;
    return true;
}

bool XTokenizer::readGuid(XToken& token)
{
    if (size_ - at_ < kGuidTextSize || body_[at_ + kGuidTextSize - 1] != '>')
        return fail("GUIDが閉じていない");
    for (size_t i = 1; i < kGuidTextSize - 1; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? body_[at_ + i] != '-' : !isHex(body_[at_ + i]))
            return fail("GUIDの形が違う");
    }
    token.code = kXGuid;
    token.text = at_ + 1;
    token.textSize = kGuidTextSize - 2;
    token.end = at_ += kGuidTextSize;
    return true;
}

bool XTokenizer::nextBinary(XToken& token)
{
    if (at_ == size_)
        return false;
    if (size_ - at_ < 2)
        return fail("トークンが途中で終わる");
    const uint16_t code = readHalfWord(body_ + at_);
    token.begin = at_;
    size_t at = at_ + 2;
    const size_t left = size_ - at;
    switch (code) {
    case kXName:
    case kXString:
    case kXIntegerList:
    case kXFloatList: {
        if (left < 4)
            return fail("トークンの長さが途中で終わる");
        const uint32_t count = dword(at);
        const unsigned unit = code == kXIntegerList ? 4 : code == kXFloatList ? floatBytes_ : 1;
        if (count > (left - 4) / unit)
            return fail("トークンの長さが残りのデータを越える");
        if (unit == 1 && count > kMaxBinaryText)
            return fail("名前か文字列が長すぎる");
        token.text = at + 4;
        if (code == kXName || code == kXString)
            token.textSize = count;
        else
            token.count = count;
        at += 4 + size_t(count) * unit;
        break;
    }
    case kXInteger:
    case kXGuid: {
        const size_t bytes = code == kXInteger ? 4 : kGuidBytes;
        if (left < bytes)
            return fail("トークンの値が途中で終わる");
        token.text = at;
        token.count = code == kXInteger ? 1 : 0;
        at += bytes;
        break;
    }
    default:
        if (!isStandAlone(code))
            return fail("知らないトークン");
    }
    token.code = XTokenCode(code);
    token.end = at_ = at;
    return true;
}

uint32_t XTokenizer::integerAt(const XToken& token, uint32_t i) const
{
    if (binary_ && token.code == kXFloatList) {
        const float value = floatAt(token, i);
        return value >= 0.0f && value < 4294967296.0f ? uint32_t(value) : 0xFFFFFFFFu;
    }
    if (binary_)
        return dword(token.text + size_t(i) * 4);
    long long value = 0;
    double real = 0.0;
    const char* first = body_ + token.text;
    const char* last = first + token.textSize;
    if (parsesWhole(first, last, value))
        return uint32_t(value);
    return parsesWhole(first, last, real) && real >= 0.0 && real < 4294967296.0 ? uint32_t(real) : 0xFFFFFFFFu;
}

float XTokenizer::floatAt(const XToken& token, uint32_t i) const
{
    if (binary_ && token.code != kXFloatList)
        return float(dword(token.text + size_t(i) * 4));
    if (binary_ && floatBytes_ == 8) {
        double value;
        std::memcpy(&value, body_ + token.text + size_t(i) * 8, 8);
        return float(value);
    }
    if (binary_) {
        float value;
        std::memcpy(&value, body_ + token.text + size_t(i) * 4, 4);
        return value;
    }
    double value = 0.0;
    return parsesWhole(body_ + token.text, body_ + token.text + token.textSize, value) ? float(value) : 0.0f;
}

unsigned XTokenizer::valueBytes(const XToken& token) const
{
    return token.code == kXFloatList ? floatBytes_ : 4;
}

bool XTokenizer::fail(const char* what)
{
    failure_ = what;
    return false;
}

uint32_t XTokenizer::dword(size_t at) const
{
    return readWord(body_ + at);
}
