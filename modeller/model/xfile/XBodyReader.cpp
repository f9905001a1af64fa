#include "XBodyReader.h"

#include "modeller/model/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

constexpr size_t kMaxDepth = 64;
constexpr unsigned kMaxVisits = 1u << 20;
constexpr unsigned kMatrixValues = 16;

enum class Kind { kFrame, kMesh, kMaterialList, kMatrix, kOther };

Kind kindOf(const std::string& type)
{
    if (type == "Frame")
        return Kind::kFrame;
    if (type == "Mesh")
        return Kind::kMesh;
    if (type == "MeshMaterialList")
        return Kind::kMaterialList;
    if (type == "FrameTransformMatrix")
        return Kind::kMatrix;
    return Kind::kOther;
}

bool isNumber(XTokenCode code)
{
    return code == kXInteger || code == kXFloat;
}

bool isIntegers(XTokenCode code)
{
    return code == kXInteger || code == kXIntegerList;
}

}

// A frame, a mesh or a frame's reference to one, for the walk of the hierarchy.
struct XBodyReader::Node {
    bool frame = false;
    bool reference = false;
    bool transforming = false;
    std::string name; // the object's name, or the name a reference gives
    std::vector<unsigned> children;
};

// An object being read, with what its values have told so far.
struct XBodyReader::Open {
    // A mesh's values: vertex count, three per vertex, face count, then each
    // face's index count and indices.
    enum class Phase { kVertexCount, kVertices, kFaceCount, kIndexCount, kIndices, kDone, kBroken };

    Kind kind = Kind::kOther;
    int node = -1;
    uint64_t values = 0;

    Phase phase = Phase::kVertexCount;
    uint64_t left = 0;
    uint32_t faceCount = 0;
    uint32_t facesLeft = 0;

    // A material list's face index count (value 1) and first index (value 2).
    XToken countToken, indexToken;
    uint32_t countAt = 0, indexAt = 0;
    uint32_t faceIndexCount = 0, firstIndex = 0;
    bool hasIndex = false;

    float matrix[kMatrixValues] = {};

    void takeMeshValues(const XTokenizer& tokens, const XToken& token, uint32_t count);
    void takeListValues(const XTokenizer& tokens, const XToken& token, uint32_t count);
};

void XBodyReader::Open::takeMeshValues(const XTokenizer& tokens, const XToken& token, uint32_t count)
{
    uint32_t i = 0;
    while (i < count && phase != Phase::kDone && phase != Phase::kBroken) {
        if (phase == Phase::kVertices || phase == Phase::kIndices) {
            const uint32_t skipped = uint32_t(std::min<uint64_t>(left, count - i));
            i += skipped;
            left -= skipped;
            if (left == 0)
                phase = phase == Phase::kVertices ? Phase::kFaceCount : --facesLeft ? Phase::kIndexCount : Phase::kDone;
            continue;
        }
        if (token.code == kXString) {
            phase = Phase::kBroken;
            break;
        }
        const uint32_t value = tokens.integerAt(token, i++);
        if (phase == Phase::kVertexCount) {
            left = uint64_t(value) * 3;
            phase = left ? Phase::kVertices : Phase::kFaceCount;
        } else if (phase == Phase::kFaceCount) {
            faceCount = facesLeft = value;
            phase = value ? Phase::kIndexCount : Phase::kDone;
        } else {
            left = value;
            phase = value ? Phase::kIndices : --facesLeft ? Phase::kIndexCount : Phase::kDone;
        }
    }
}

void XBodyReader::Open::takeListValues(const XTokenizer& tokens, const XToken& token, uint32_t count)
{
    for (uint64_t v = std::max<uint64_t>(values, 1); v <= 2 && v < values + count; ++v) {
        const uint32_t at = uint32_t(v - values);
        const uint32_t value = token.code == kXString ? 0xFFFFFFFFu : tokens.integerAt(token, at);
        if (v == 1) {
            countToken = token;
            countAt = at;
            faceIndexCount = value;
        } else {
            indexToken = token;
            indexAt = at;
            firstIndex = value;
            hasIndex = token.code != kXString;
        }
    }
}

XBodyReader::XBodyReader(XTokenizer& tokens) : tokens_(tokens) {}

XBodyReader::~XBodyReader() = default;

bool XBodyReader::read()
{
    nodes_.assign(1, Node());
    nodes_[0].frame = true; // the root: the top-level frames and meshes
    XToken token;
    while (tokens_.next(token)) {
        if (!(open_.empty() ? readTop(token) : readInside(token)))
            return false;
    }
    if (tokens_.failed())
        return false;
    if (!open_.empty())
        return fail("オブジェクトが閉じていない");
    // A material list's edit comes after those of the float lists inside it.
    std::sort(edits_.begin(), edits_.end(), [](const XBodyEdit& a, const XBodyEdit& b) { return a.begin < b.begin; });
    return walkHierarchy();
}

bool XBodyReader::readTop(const XToken& token)
{
    if (token.code == kXTemplate)
        return skipTemplate();
    if (token.code == kXName)
        return beginObject(token);
    if (token.code == kXSemicolon || token.code == kXComma)
        return true;
    return fail("オブジェクトの外に置けないトークン");
}

bool XBodyReader::readInside(const XToken& token)
{
    switch (token.code) {
    case kXName: return beginObject(token);
    case kXOpenBrace: return readReference();
    case kXCloseBrace: return endObject();
    case kXFloatList:
        if (tokens_.isBinary() && tokens_.getFloatBytes() == 8)
            narrowFloats(token);
        takeValues(token);
        return true;
    case kXInteger:
    case kXFloat:
    case kXIntegerList:
    case kXString: takeValues(token); return true;
    case kXSemicolon:
    case kXComma: return true;
    default: return fail("データに置けないトークン");
    }
}

// template name { <guid> members } with no braces inside.
bool XBodyReader::skipTemplate()
{
    XToken token;
    if (!tokens_.next(token) || token.code != kXName || !tokens_.next(token) || token.code != kXOpenBrace)
        return fail("テンプレートの頭が読めない");
    while (tokens_.next(token)) {
        if (token.code == kXCloseBrace)
            return true;
        if (token.code == kXOpenBrace || token.code == kXTemplate)
            return fail("テンプレートが閉じていない");
    }
    return fail("テンプレートが途中で終わる");
}

// type [name] [<guid>] {
bool XBodyReader::beginObject(const XToken& type)
{
    if (open_.size() >= kMaxDepth)
        return fail("オブジェクトの入れ子が深すぎる");
    XToken token;
    std::string name;
    if (!readNameAndGuid(token, name) || token.code != kXOpenBrace)
        return fail("オブジェクトの始まりが読めない");

    Open object;
    object.kind = kindOf(textOf(type));
    if (object.kind == Kind::kFrame || object.kind == Kind::kMesh) {
        const int parent = open_.empty() ? 0 : open_.back().kind == Kind::kFrame ? open_.back().node : -1;
        object.node = int(nodes_.size());
        nodes_.emplace_back();
        nodes_.back().frame = object.kind == Kind::kFrame;
        nodes_.back().name = name;
        if (parent >= 0)
            nodes_[parent].children.push_back(unsigned(object.node));
    }
    open_.push_back(object);
    return true;
}

// An optional name and an optional GUID; token is the one after them.
bool XBodyReader::readNameAndGuid(XToken& token, std::string& name)
{
    bool read = tokens_.next(token);
    if (read && (token.code == kXName || isNumber(token.code))) {
        name = textOf(token);
        read = tokens_.next(token);
    }
    if (read && token.code == kXGuid)
        read = tokens_.next(token);
    return read;
}

// { name [<guid>] } or { <guid> }
bool XBodyReader::readReference()
{
    XToken token;
    std::string name;
    if (!readNameAndGuid(token, name) || token.code != kXCloseBrace)
        return fail("参照が読めない");
    const Open& holder = open_.back();
    if (holder.kind == Kind::kFrame && !name.empty()) {
        nodes_[holder.node].children.push_back(unsigned(nodes_.size()));
        nodes_.emplace_back();
        nodes_.back().reference = true;
        nodes_.back().name = name;
    }
    return true;
}

bool XBodyReader::endObject()
{
    const Open object = open_.back();
    open_.pop_back();
    if (open_.empty())
        return true;
    const Open& parent = open_.back();
    if (object.kind == Kind::kMaterialList && parent.kind == Kind::kMesh && parent.phase == Open::Phase::kDone)
        repairMaterialList(object, parent.faceCount);
    if (object.kind == Kind::kMatrix && parent.kind == Kind::kFrame && object.values >= kMatrixValues) {
        static const float identity[kMatrixValues] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        nodes_[parent.node].transforming = !std::equal(object.matrix, object.matrix + kMatrixValues, identity);
    }
    return true;
}

void XBodyReader::takeValues(const XToken& token)
{
    Open& object = open_.back();
    const uint32_t count = token.code == kXString ? 1 : token.count;
    if (object.kind == Kind::kMesh)
        object.takeMeshValues(tokens_, token, count);
    else if (object.kind == Kind::kMaterialList)
        object.takeListValues(tokens_, token, count);
    else if (object.kind == Kind::kMatrix && token.code != kXString) {
        for (uint64_t v = object.values; v < kMatrixValues && v < object.values + count; ++v)
            object.matrix[v] = tokens_.floatAt(token, uint32_t(v - object.values));
    }
    object.values += count;
}

// One face index for a mesh of more faces: that index for every face.
void XBodyReader::repairMaterialList(const Open& list, uint32_t faceCount)
{
    if (!list.hasIndex || list.faceIndexCount != 1 || faceCount <= 1)
        return;
    XBodyEdit edit{list.countToken.begin, list.indexToken.end, std::string()};
    if (!tokens_.isBinary()) {
        const std::string index = std::to_string(list.firstIndex);
        edit.bytes = std::to_string(faceCount) + ";\n" + index;
        edit.bytes.reserve(edit.bytes.size() + size_t(faceCount) * (index.size() + 1));
        for (uint32_t f = 1; f < faceCount; ++f)
            edit.bytes += "," + index;
    } else {
        if (!isIntegers(list.countToken.code) || !isIntegers(list.indexToken.code))
            return;
        std::vector<uint32_t> values;
        for (uint32_t i = 0; i < list.countAt; ++i)
            values.push_back(tokens_.integerAt(list.countToken, i));
        values.push_back(faceCount);
        values.insert(values.end(), faceCount, list.firstIndex);
        for (uint32_t i = list.indexAt + 1; i < list.indexToken.count; ++i)
            values.push_back(tokens_.integerAt(list.indexToken, i));
        edit.bytes.reserve(6 + values.size() * 4);
        appendHalfWord(edit.bytes, kXIntegerList);
        appendWord(edit.bytes, uint32_t(values.size()));
        for (uint32_t value : values)
            appendWord(edit.bytes, value);
    }
    edits_.push_back(std::move(edit));
    ++repairedLists_;
}

// The platform's binary parser reads 4-byte floats whatever the header says.
void XBodyReader::narrowFloats(const XToken& list)
{
    XBodyEdit edit{list.begin, list.end, std::string()};
    edit.bytes.reserve(6 + size_t(list.count) * 4);
    appendHalfWord(edit.bytes, kXFloatList);
    appendWord(edit.bytes, list.count);
    for (uint32_t i = 0; i < list.count; ++i) {
        const float value = tokens_.floatAt(list, i);
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        appendWord(edit.bytes, bits);
    }
    edits_.push_back(std::move(edit));
}

bool XBodyReader::walkHierarchy()
{
    std::unordered_map<std::string, unsigned> named;
    for (unsigned i = 1; i < nodes_.size(); ++i) {
        if (!nodes_[i].reference && !nodes_[i].name.empty())
            named.emplace(nodes_[i].name, i);
    }
    byName_.swap(named);
    return walkFrame(nodes_[0], 0, 0);
}

bool XBodyReader::walkFrame(const Node& frame, unsigned transforming, unsigned depth)
{
    if (depth > kMaxDepth)
        return fail("フレームの参照が深すぎるか循環している");
    for (unsigned c : frame.children) {
        if (++visits_ > kMaxVisits)
            return fail("フレームの参照が多すぎる");
        const Node* child = resolve(nodes_[c]);
        if (!child)
            continue;
        if (!child->frame) {
            ++meshCount_;
            nestedTransforms_ = nestedTransforms_ || transforming >= 2;
        } else if (!walkFrame(*child, transforming + (child->transforming ? 1 : 0), depth + 1)) {
            return false;
        }
    }
    return true;
}

const XBodyReader::Node* XBodyReader::resolve(const Node& node) const
{
    if (!node.reference)
        return &node;
    const auto found = byName_.find(node.name);
    return found == byName_.end() ? nullptr : &nodes_[found->second];
}

std::string XBodyReader::textOf(const XToken& token) const
{
    return std::string(tokens_.getBody() + token.text, token.textSize);
}

bool XBodyReader::fail(const char* what)
{
    failure_ = what;
    return false;
}
