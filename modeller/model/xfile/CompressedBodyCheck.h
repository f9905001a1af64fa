#pragma once

#include <cstddef>
#include <vector>

// Checks the MSZIP-compressed body of .x bytes (header "xof " version "bzip" or
// "tzip" float size) completely before any parser sees it: the stated size, then
// every block's sizes and "CK" signature, every block inflated with the previous
// block's output as its dictionary to exactly its stated size, nothing left over.
// An intact body is kept inflated: the bytes after the header, as the blocks give them.
class CompressedBodyCheck {
public:
    enum Result { kNotCompressed, kIntact, kDamaged };

    Result run(const void* data, size_t size);
    // What was found damaged, for the log; empty unless the last run said kDamaged.
    const char* getFailure() const { return failure_; }
    // The inflated body of the last intact run; empty otherwise.
    const std::vector<char>& getBody() const { return body_; }

private:
    Result fail(const char* what);

    const char* failure_ = "";
    std::vector<char> body_;
};
