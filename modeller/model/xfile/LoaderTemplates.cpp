#include "LoaderTemplates.h"

#include "modeller/model/LittleEndian.h"
#include "XTokenizer.h"

#include <d3dx9mesh.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 16; // each macro begins with its own "xof 0303txt 0032"

struct Keyword {
    const char* text;
    uint16_t code;
};

// Primitive types and "array"; STRING is the binary LPSTR.
const Keyword kKeywords[] = {{"WORD", 40},    {"DWORD", 41},   {"FLOAT", 42},  {"DOUBLE", 43}, {"CHAR", 44},
                             {"UCHAR", 45},   {"SWORD", 46},   {"SDWORD", 47}, {"VOID", 48},   {"STRING", 49},
                             {"UNICODE", 50}, {"CSTRING", 51}, {"ARRAY", 52}};

uint16_t keywordCode(const char* name, size_t size)
{
    for (const Keyword& keyword : kKeywords) {
        if (std::strlen(keyword.text) == size && _strnicmp(keyword.text, name, size) == 0)
            return keyword.code;
    }
    return 0;
}

unsigned hexValue(char c)
{
    return c <= '9' ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
}

uint32_t hexNumber(const char* text, size_t digits)
{
    uint32_t value = 0;
    for (size_t i = 0; i < digits; ++i)
        value = value << 4 | hexValue(text[i]);
    return value;
}

// XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX as a GUID's 16 bytes.
void putGuid(std::string& out, const char* text)
{
    appendWord(out, hexNumber(text, 8));
    appendHalfWord(out, uint16_t(hexNumber(text + 9, 4)));
    appendHalfWord(out, uint16_t(hexNumber(text + 14, 4)));
    for (size_t i = 0; i < 8; ++i)
        out += char(hexNumber(text + (i < 2 ? 19 + 2 * i : 20 + 2 * i), 2));
}

void putName(std::string& out, const char* name, size_t size)
{
    if (const uint16_t keyword = keywordCode(name, size)) {
        appendHalfWord(out, keyword);
        return;
    }
    appendHalfWord(out, kXName);
    appendWord(out, uint32_t(size));
    out.append(name, size);
}

std::string withoutHeader(const char* macro)
{
    const size_t size = std::strlen(macro);
    return size > kHeaderSize ? std::string(macro + kHeaderSize, size - kHeaderSize) : std::string();
}

}

std::string encodeBinaryTokens(const char* text, size_t size)
{
    XTokenizer tokens(text, size, false, 4);
    std::string out;
    XToken token;
    while (tokens.next(token)) {
        const char* at = text + token.text;
        switch (token.code) {
        case kXName: putName(out, at, token.textSize); break;
        case kXGuid:
            appendHalfWord(out, kXGuid);
            putGuid(out, at);
            break;
        case kXInteger:
            appendHalfWord(out, kXInteger);
            appendWord(out, tokens.integerAt(token, 0));
            break;
        case kXFloat:
        case kXString: return std::string();
        default: appendHalfWord(out, token.code);
        }
    }
    return tokens.failed() ? std::string() : out;
}

const std::string& loaderTemplates(bool binary)
{
    static const std::string text =
        withoutHeader(XSKINEXP_TEMPLATES) + "\n" + withoutHeader(XEXTENSIONS_TEMPLATES) + "\n";
    static const std::string tokens = encodeBinaryTokens(text.data(), text.size());
    return binary ? tokens : text;
}
