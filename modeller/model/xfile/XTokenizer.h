#pragma once

#include <cstddef>
#include <cstdint>

// Binary token codes of .x bodies; the text form has the same tokens in words.
enum XTokenCode : uint16_t {
    kXName = 1,
    kXString = 2,
    kXInteger = 3,
    kXGuid = 5,
    kXIntegerList = 6,
    kXFloatList = 7,
    kXOpenBrace = 10,
    kXCloseBrace = 11,
    kXOpenParen = 12,
    kXCloseParen = 13,
    kXOpenBracket = 14,
    kXCloseBracket = 15,
    kXOpenAngle = 16,
    kXCloseAngle = 17,
    kXDot = 18,
    kXComma = 19,
    kXSemicolon = 20,
    kXTemplate = 31,
    kXWord = 40,
    kXArray = 52,
    // Text only: a number with a fraction or an exponent.
    kXFloat = 100,
    kXEnd = 0xFFFF,
};

// One token: where it lies in the body and, for lists, where its values are.
struct XToken {
    XTokenCode code = kXEnd;
    size_t begin = 0;
    size_t end = 0;
    size_t text = 0;     // names and strings: their characters; lists: the first value
    size_t textSize = 0; // characters of a name or string
    uint32_t count = 0;  // values of a list; 1 for a text number
};

// The longest binary name or string handed on: the platform's binary parser
// faults on longer ones.
constexpr uint32_t kMaxBinaryText = 512;

// A word equal to a lower-case one, ASCII letters compared regardless of case.
bool isSameWord(const char* text, size_t size, const char* lowerCase);

// Reads the tokens of a text or binary .x body (the bytes after the 16-byte
// header) one by one. Every length is checked against the bytes left; a token
// that does not fit, an unterminated string, an unknown code or a binary name
// or string longer than kMaxBinaryText stops it.
class XTokenizer {
public:
    XTokenizer(const char* body, size_t size, bool binary, unsigned floatBytes);

    // False at the end of the body or on a token that cannot be read (failed()).
    bool next(XToken& token);
    bool failed() const { return failure_ != nullptr; }
    const char* getFailure() const { return failure_ ? failure_ : ""; }

    const char* getBody() const { return body_; }
    bool isBinary() const { return binary_; }
    unsigned getFloatBytes() const { return floatBytes_; }
    // Value i of a list token (or of a text number) as an integer or a float.
    uint32_t integerAt(const XToken& token, uint32_t i) const;
    float floatAt(const XToken& token, uint32_t i) const;
    unsigned valueBytes(const XToken& token) const;

private:
    bool nextText(XToken& token);
    bool nextBinary(XToken& token);
    bool readNameOrNumber(XToken& token);
    bool readString(XToken& token);
    bool readGuid(XToken& token);
    bool fail(const char* what);
    uint32_t dword(size_t at) const;

    const char* body_;
    size_t size_;
    size_t at_ = 0;
    bool binary_;
    unsigned floatBytes_;
    const char* failure_ = nullptr;
};
