#pragma once

#include <cstddef>
#include <vector>

// The bytes the platform's .x parser is given for one mesh source, made from the
// source's own bytes: a compressed body inflated (and checked) and handed on
// under the plain header of its encoding; the skinning and extension template
// sets declared ahead of the body; a one-index material list given every face;
// a binary body's 8-byte floats written in the 4 bytes the platform's parser reads.
// The body is read whole first, so what the parser gets is known to be readable,
// and what it holds decides how the mesh is loaded.
class XFileBytes {
public:
    enum Result { kReady, kDamagedCompression, kUnreadable };

    Result prepare(const void* data, size_t size);
    // Why the last prepare failed, for the log.
    const char* getFailure() const { return failure_; }

    const char* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    unsigned getMeshCount() const { return meshCount_; }
    // A mesh sits under two or more frames whose matrices are not the identity.
    bool hasNestedTransforms() const { return nestedTransforms_; }
    unsigned getRepairedLists() const { return repairedLists_; }

private:
    Result prepareBody(const char* header, size_t size);
    Result assemble(const char* header, const char* body, size_t bodySize, bool binary, bool doubles, bool compressed);
    Result fail(Result result, const char* what);

    std::vector<char> bytes_;
    const char* failure_ = "";
    unsigned meshCount_ = 0;
    bool nestedTransforms_ = false;
    unsigned repairedLists_ = 0;
};
