#pragma once

#include "XTokenizer.h"

#include <cstdint>
#include <string>
#include <unordered_map>
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
// Nesting, references and counts are bounded; nothing is read past the body.
class XBodyReader {
public:
    explicit XBodyReader(XTokenizer& tokens);
    ~XBodyReader();
    XBodyReader(const XBodyReader&) = delete;
    XBodyReader& operator=(const XBodyReader&) = delete;

    // False when the body cannot be read (getFailure() says why).
    bool read();
    const char* getFailure() const { return failure_ ? failure_ : tokens_.getFailure(); }

    // Meshes at the top level or in frames, a mesh referenced from a frame once per reference.
    unsigned getMeshCount() const { return meshCount_; }
    bool hasNestedTransforms() const { return nestedTransforms_; }
    const std::vector<XBodyEdit>& getEdits() const { return edits_; }
    unsigned getRepairedLists() const { return repairedLists_; }

private:
    struct Node;
    struct Open;

    bool readTop(const XToken& token);
    bool readInside(const XToken& token);
    bool skipTemplate();
    bool beginObject(const XToken& type);
    bool readNameAndGuid(XToken& token, std::string& name);
    bool readReference();
    bool endObject();
    void takeValues(const XToken& token);
    void repairMaterialList(const Open& list, uint32_t faceCount);
    void narrowFloats(const XToken& list);
    bool walkHierarchy();
    bool walkFrame(const Node& frame, unsigned transforming, unsigned depth);
    const Node* resolve(const Node& node) const;
    std::string textOf(const XToken& token) const;
    bool fail(const char* what);

    XTokenizer& tokens_;
    const char* failure_ = nullptr;
    std::vector<Node> nodes_;
    std::vector<Open> open_;
    std::vector<XBodyEdit> edits_;
    std::unordered_map<std::string, unsigned> byName_;
    unsigned meshCount_ = 0;
    bool nestedTransforms_ = false;
    unsigned repairedLists_ = 0;
    unsigned visits_ = 0;
};
