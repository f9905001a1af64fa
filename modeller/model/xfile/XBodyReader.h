#pragma once

#include "XTokenizer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A stretch of the body to be written anew.
struct XBodyEdit {
    size_t begin;
    size_t end;
    std::string bytes;
};

// Reads a whole .x body through its tokens: templates, data objects with their
// values, nested objects and references. It keeps what the loading needs: the
// meshes of the frame hierarchy, whether one sits under two or more transforming
// frames, and the edits the parser needs: a one-index material list given every
// face of its mesh, 8-byte binary floats written in 4 bytes.
// Nesting, references and counts are bounded; nothing is read past the body, and
// the work done is a small multiple of the body's size (getSteps()).
class XBodyReader {
public:
    // outputLimit: the most bytes the edited body may take; edits that would
    // pass it refuse the body before they are written.
    XBodyReader(XTokenizer& tokens, size_t bodySize, size_t outputLimit);
    ~XBodyReader();
    XBodyReader(const XBodyReader&) = delete;
    XBodyReader& operator=(const XBodyReader&) = delete;

    // False when the body cannot be read (getFailure() says why).
    bool read();
    const char* getFailure() const { return tokens_.failed() || !failure_ ? tokens_.getFailure() : failure_; }

    // Meshes at the top level or in frames, a mesh referenced from a frame once per reference.
    unsigned getMeshCount() const { return meshCount_; }
    bool hasNestedTransforms() const { return nestedTransforms_; }
    // Non-overlapping, in the order of the body.
    const std::vector<XBodyEdit>& getEdits() const { return edits_; }
    unsigned getRepairedLists() const { return repairedLists_; }
    // The body's size once edited.
    size_t getOutputSize() const { return outputSize_; }
    // Tokens read, name bytes looked up, hierarchy links followed and values written.
    uint64_t getSteps() const { return steps_; }

private:
    struct Node;
    struct Open;

    bool next(XToken& token);
    bool readTop(const XToken& token);
    bool readInside(const XToken& token);
    bool skipTemplate();
    bool beginObject(const XToken& type);
    uint32_t addNode(uint32_t parent, const XToken& name, bool frame, bool reference);
    bool readNameAndGuid(XToken& token, XToken& name);
    bool readReference();
    bool endObject();
    bool takeValues(const XToken& token);
    bool repairIfOneIndex(const Open& list);
    bool repairMaterialList(const Open& list, uint32_t faceCount);
    void writeTextList(const Open& list, uint32_t faceCount, XBodyEdit& edit) const;
    void writeBinaryList(const Open& list, uint32_t faceCount, uint32_t values, XBodyEdit& edit) const;
    bool narrowFloats(const XToken& list);
    bool addEdit(size_t begin, size_t end, uint64_t size, uint64_t values);
    bool walkHierarchy();
    void resolveReferences();
    void linkChildren();
    bool orderFrames(std::vector<uint32_t>& order);
    bool countMeshes(const std::vector<uint32_t>& order);
    uint32_t target(uint32_t child) const;
    std::string_view nameOf(const Node& node) const;
    bool fail(const char* what);

    XTokenizer& tokens_;
    const char* failure_ = nullptr;
    std::vector<Node> nodes_;
    std::vector<uint32_t> childAt_;
    std::vector<uint32_t> children_;
    std::vector<Open> open_;
    std::vector<XBodyEdit> edits_;
    unsigned meshCount_ = 0;
    bool nestedTransforms_ = false;
    unsigned repairedLists_ = 0;
    size_t outputSize_;
    size_t outputLimit_;
    uint64_t steps_ = 0;
    uint64_t serial_ = 0; // tokens other than separators read so far
};
