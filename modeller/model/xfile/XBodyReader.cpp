#include "XBodyReader.h"

#include "modeller/model/LittleEndian.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace {

constexpr size_t kMaxDepth = 64;
constexpr uint64_t kMaxMeshes = 1u << 20;
constexpr unsigned kMatrixValues = 16;
constexpr uint32_t kNone = ~0u;
constexpr float kIdentity[kMatrixValues] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

enum class Kind { kFrame, kMesh, kMaterialList, kMatrix, kOther };

// Template names match regardless of case, as the platform's parser matches them.
Kind kindOf(const char* name, size_t size)
{
    if (isSameWord(name, size, "frame"))
        return Kind::kFrame;
    if (isSameWord(name, size, "mesh"))
        return Kind::kMesh;
    if (isSameWord(name, size, "meshmateriallist"))
        return Kind::kMaterialList;
    if (isSameWord(name, size, "frametransformmatrix"))
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

bool isSeparator(XTokenCode code)
{
    return code == kXSemicolon || code == kXComma;
}

// A template declares members; values have no place in it.
bool isValue(XTokenCode code)
{
    return code == kXString || code == kXFloat || code == kXIntegerList || code == kXFloatList;
}

size_t digits(uint32_t value)
{
    return std::to_string(value).size();
}

}

// A frame, a mesh or a frame's reference to one, for the walk of the hierarchy.
// Names lie in the body: the object's own, or the one a reference gives.
struct XBodyReader::Node {
    uint32_t parent;         // the frame holding it; kNone outside frames
    uint32_t target = kNone; // a reference: the node it names
    uint32_t nameAt;
    uint32_t nameSize;
    bool frame;
    bool reference;
    bool transforming = false;
};

// An object being read, with what its values have told so far.
struct XBodyReader::Open {
    // A mesh's values: vertex count, three per vertex, face count, then each
    // face's index count and indices.
    enum class Phase { kVertexCount, kVertices, kFaceCount, kIndexCount, kIndices, kDone, kBroken };

    Kind kind = Kind::kOther;
    uint32_t node = kNone;
    uint64_t values = 0;
    bool atStart = true; // the next token may be the object's GUID

    Phase phase = Phase::kVertexCount;
    uint64_t left = 0;
    uint32_t faceCount = 0;
    uint32_t facesLeft = 0;

    // A material list's face index count (value 1) and first index (value 2),
    // and whether nothing but separators lies between them.
    XToken countToken, indexToken;
    uint32_t countAt = 0, indexAt = 0;
    uint64_t countSerial = 0;
    uint32_t faceIndexCount = 0, firstIndex = 0;
    bool adjacent = false;

    float matrix[kMatrixValues] = {};

    void takeMeshValues(const XTokenizer& tokens, const XToken& token, uint32_t count);
    void takeListValues(const XTokenizer& tokens, const XToken& token, uint32_t count, uint64_t serial);
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

void XBodyReader::Open::takeListValues(const XTokenizer& tokens, const XToken& token, uint32_t count, uint64_t serial)
{
    for (uint64_t v = std::max<uint64_t>(values, 1); v <= 2 && v < values + count; ++v) {
        const uint32_t at = uint32_t(v - values);
        const uint32_t value = token.code == kXString ? 0xFFFFFFFFu : tokens.integerAt(token, at);
        if (v == 1) {
            countToken = token;
            countAt = at;
            countSerial = serial;
            faceIndexCount = value;
        } else {
            indexToken = token;
            indexAt = at;
            firstIndex = value;
            adjacent = token.code != kXString && serial <= countSerial + 1;
        }
    }
}

XBodyReader::XBodyReader(XTokenizer& tokens, size_t bodySize, size_t outputLimit)
    : tokens_(tokens), outputSize_(bodySize), outputLimit_(outputLimit)
{
}

XBodyReader::~XBodyReader() = default;

bool XBodyReader::read()
{
    if (outputSize_ > outputLimit_ || outputSize_ > UINT32_MAX) // names are kept as 32-bit offsets
        return fail("編集後のデータが大きすぎる");
    nodes_.clear();
    addNode(kNone, XToken(), true, false); // the root: the top-level frames and meshes
    XToken token;
    while (next(token)) {
        if (!(open_.empty() ? readTop(token) : readInside(token)))
            return false;
    }
    if (tokens_.failed())
        return false;
    if (!open_.empty())
        return fail("オブジェクトが閉じていない");
    return walkHierarchy();
}

bool XBodyReader::next(XToken& token)
{
    if (!tokens_.next(token))
        return false;
    ++steps_;
    if (!isSeparator(token.code))
        ++serial_;
    return true;
}

bool XBodyReader::readTop(const XToken& token)
{
    if (token.code == kXTemplate)
        return skipTemplate();
    if (token.code == kXName)
        return beginObject(token);
    if (isSeparator(token.code))
        return true;
    return fail("オブジェクトの外に置けないトークン");
}

bool XBodyReader::readInside(const XToken& token)
{
    const bool atStart = open_.back().atStart;
    open_.back().atStart = false;
    switch (token.code) {
    case kXName: return beginObject(token);
    case kXOpenBrace: return readReference();
    case kXCloseBrace: return endObject();
    case kXGuid: return atStart || fail("データに置けないトークン");
    case kXFloatList:
        if (tokens_.isBinary() && tokens_.getFloatBytes() == 8 && !narrowFloats(token))
            return false;
        return takeValues(token);
    case kXInteger:
    case kXFloat:
    case kXIntegerList:
    case kXString: return takeValues(token);
    case kXSemicolon:
    case kXComma: return true;
    default: return fail("データに置けないトークン");
    }
}

// template name { <guid> members } with no braces or values inside.
bool XBodyReader::skipTemplate()
{
    XToken token;
    if (!next(token) || token.code != kXName || !next(token) || token.code != kXOpenBrace)
        return fail("テンプレートの頭が読めない");
    while (next(token)) {
        if (token.code == kXCloseBrace)
            return true;
        if (token.code == kXOpenBrace || token.code == kXTemplate)
            return fail("テンプレートが閉じていない");
        if (isValue(token.code))
            return fail("テンプレートに置けないトークン");
    }
    return fail("テンプレートが途中で終わる");
}

// type [name] [<guid>] {
bool XBodyReader::beginObject(const XToken& type)
{
    if (open_.size() >= kMaxDepth)
        return fail("オブジェクトの入れ子が深すぎる");
    XToken token, name;
    if (!readNameAndGuid(token, name) || token.code != kXOpenBrace)
        return fail("オブジェクトの始まりが読めない");

    Open object;
    object.kind = kindOf(tokens_.getBody() + type.text, type.textSize);
    if (object.kind == Kind::kFrame || object.kind == Kind::kMesh) {
        const uint32_t parent = open_.empty() ? 0 : open_.back().kind == Kind::kFrame ? open_.back().node : kNone;
        object.node = addNode(parent, name, object.kind == Kind::kFrame, false);
    }
    open_.push_back(object);
    return true;
}

uint32_t XBodyReader::addNode(uint32_t parent, const XToken& name, bool frame, bool reference)
{
    nodes_.push_back(Node{parent, kNone, uint32_t(name.text), uint32_t(name.textSize), frame, reference});
    return uint32_t(nodes_.size() - 1);
}

// An optional name and an optional GUID; token is the one after them.
bool XBodyReader::readNameAndGuid(XToken& token, XToken& name)
{
    bool read = next(token);
    if (read && (token.code == kXName || isNumber(token.code))) {
        name = token;
        read = next(token);
    }
    if (read && token.code == kXGuid)
        read = next(token);
    return read;
}

// { name [<guid>] } or { <guid> }
bool XBodyReader::readReference()
{
    XToken token, name;
    if (!readNameAndGuid(token, name) || token.code != kXCloseBrace)
        return fail("参照が読めない");
    if (open_.back().kind == Kind::kFrame && name.textSize)
        addNode(open_.back().node, name, false, true);
    return true;
}

bool XBodyReader::endObject()
{
    const Open& object = open_.back();
    const Open* holder = open_.size() >= 2 ? &open_[open_.size() - 2] : nullptr;
    // Transforming unless its 64 bytes are the identity's, as the platform's matrix compares.
    if (object.kind == Kind::kMatrix && holder && holder->kind == Kind::kFrame && object.values >= kMatrixValues)
        nodes_[holder->node].transforming = std::memcmp(object.matrix, kIdentity, sizeof kIdentity) != 0;
    open_.pop_back();
    return true;
}

bool XBodyReader::takeValues(const XToken& token)
{
    Open& object = open_.back();
    const uint32_t count = token.code == kXString ? 1 : token.count;
    const uint64_t before = object.values;
    if (object.kind == Kind::kMesh)
        object.takeMeshValues(tokens_, token, count);
    else if (object.kind == Kind::kMaterialList)
        object.takeListValues(tokens_, token, count, serial_);
    else if (object.kind == Kind::kMatrix && token.code != kXString) {
        for (uint64_t v = before; v < kMatrixValues && v < before + count; ++v)
            object.matrix[v] = tokens_.floatAt(token, uint32_t(v - before));
    }
    object.values += count;
    const bool gotIndex = object.kind == Kind::kMaterialList && before <= 2 && object.values > 2;
    return !gotIndex || repairIfOneIndex(object);
}

// A list of one face index directly inside a mesh whose faces are all read.
bool XBodyReader::repairIfOneIndex(const Open& list)
{
    if (!list.adjacent || list.faceIndexCount != 1 || open_.size() < 2)
        return true;
    const Open& mesh = open_[open_.size() - 2];
    if (mesh.kind != Kind::kMesh || mesh.phase != Open::Phase::kDone)
        return true;
    return repairMaterialList(list, mesh.faceCount);
}

// One face index for a mesh of more faces: that index for every face. The
// count and the index are adjacent values, so the edit holds nothing else.
bool XBodyReader::repairMaterialList(const Open& list, uint32_t faceCount)
{
    if (faceCount <= 1)
        return true;
    const size_t begin = list.countToken.begin;
    const size_t end = list.indexToken.end;
    if (!tokens_.isBinary()) {
        const uint64_t size = digits(faceCount) + 2 + uint64_t(faceCount) * (digits(list.firstIndex) + 1) - 1;
        if (!addEdit(begin, end, size, faceCount))
            return false;
        writeTextList(list, faceCount, edits_.back());
    } else {
        if (!isIntegers(list.countToken.code) || !isIntegers(list.indexToken.code))
            return true;
        const uint64_t values = uint64_t(list.countAt) + 1 + faceCount + (list.indexToken.count - list.indexAt - 1);
        if (!addEdit(begin, end, 6 + values * 4, values))
            return false;
        writeBinaryList(list, faceCount, uint32_t(values), edits_.back());
    }
    ++repairedLists_;
    return true;
}

void XBodyReader::writeTextList(const Open& list, uint32_t faceCount, XBodyEdit& edit) const
{
    const std::string index = std::to_string(list.firstIndex);
    const std::string more = "," + index;
    edit.bytes += std::to_string(faceCount) + ";\n" + index;
    for (uint32_t f = 1; f < faceCount; ++f)
        edit.bytes += more;
}

void XBodyReader::writeBinaryList(const Open& list, uint32_t faceCount, uint32_t values, XBodyEdit& edit) const
{
    appendHalfWord(edit.bytes, kXIntegerList);
    appendWord(edit.bytes, values);
    for (uint32_t i = 0; i < list.countAt; ++i)
        appendWord(edit.bytes, tokens_.integerAt(list.countToken, i));
    appendWord(edit.bytes, faceCount);
    for (uint32_t f = 0; f < faceCount; ++f)
        appendWord(edit.bytes, list.firstIndex);
    for (uint32_t i = list.indexAt + 1; i < list.indexToken.count; ++i)
        appendWord(edit.bytes, tokens_.integerAt(list.indexToken, i));
}

// The platform's binary parser reads 4-byte floats whatever the header says.
bool XBodyReader::narrowFloats(const XToken& list)
{
    if (!addEdit(list.begin, list.end, 6 + uint64_t(list.count) * 4, list.count))
        return false;
    std::string& bytes = edits_.back().bytes;
    appendHalfWord(bytes, kXFloatList);
    appendWord(bytes, list.count);
    for (uint32_t i = 0; i < list.count; ++i) {
        const float value = tokens_.floatAt(list, i);
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        appendWord(bytes, bits);
    }
    return true;
}

// An empty edit of [begin, end) with room for its size bytes, once the output
// is known to stay within its limit.
bool XBodyReader::addEdit(size_t begin, size_t end, uint64_t size, uint64_t values)
{
    if (!edits_.empty() && begin < edits_.back().end)
        return fail("編集が重なる");
    const uint64_t output = uint64_t(outputSize_) - (end - begin) + size;
    if (output > outputLimit_)
        return fail("編集後のデータが大きすぎる");
    outputSize_ = size_t(output);
    steps_ += values;
    edits_.push_back({begin, end, std::string()});
    edits_.back().bytes.reserve(size_t(size));
    return true;
}

// Each reference is resolved once, then the frames are ordered parents first
// and every frame's meshes counted once, however often it is referenced.
bool XBodyReader::walkHierarchy()
{
    resolveReferences();
    linkChildren();
    std::vector<uint32_t> order;
    return orderFrames(order) && countMeshes(order);
}

void XBodyReader::resolveReferences()
{
    std::unordered_map<std::string_view, uint32_t> named;
    for (uint32_t i = 1; i < nodes_.size(); ++i) {
        if (!nodes_[i].reference && nodes_[i].nameSize) {
            steps_ += nodes_[i].nameSize;
            named.emplace(nameOf(nodes_[i]), i);
        }
    }
    for (Node& node : nodes_) {
        if (!node.reference)
            continue;
        steps_ += node.nameSize;
        const auto found = named.find(nameOf(node));
        node.target = found == named.end() ? kNone : found->second;
    }
}

// Each node's children, in one array: those of node n from childAt_[n] to childAt_[n + 1].
void XBodyReader::linkChildren()
{
    childAt_.assign(nodes_.size() + 1, 0);
    for (const Node& node : nodes_) {
        if (node.parent != kNone)
            ++childAt_[node.parent + 1];
    }
    for (size_t n = 1; n < childAt_.size(); ++n)
        childAt_[n] += childAt_[n - 1];
    children_.resize(childAt_.back());
    std::vector<uint32_t> filled(childAt_.begin(), childAt_.end() - 1);
    for (uint32_t i = 1; i < nodes_.size(); ++i) {
        if (nodes_[i].parent != kNone)
            children_[filled[nodes_[i].parent]++] = i;
    }
}

// The frames reachable from the root, each after every frame above it; a
// reference cycle refuses the body.
bool XBodyReader::orderFrames(std::vector<uint32_t>& order)
{
    enum : char { kNew, kOnPath, kDone };
    std::vector<char> state(nodes_.size(), kNew);
    std::vector<std::pair<uint32_t, uint32_t>> path{{0u, childAt_[0]}};
    state[0] = kOnPath;
    while (!path.empty()) {
        const uint32_t frame = path.back().first;
        const uint32_t at = path.back().second++;
        if (at == childAt_[frame + 1]) {
            state[frame] = kDone;
            order.push_back(frame);
            path.pop_back();
            continue;
        }
        ++steps_;
        const uint32_t child = target(children_[at]);
        if (child == kNone || !nodes_[child].frame || state[child] == kDone)
            continue;
        if (state[child] == kOnPath)
            return fail("フレームの参照が深すぎるか循環している");
        state[child] = kOnPath;
        path.emplace_back(child, childAt_[child]);
    }
    std::reverse(order.begin(), order.end());
    return true;
}

// Paths from the root to each frame, its depth and the transforming frames on
// the way (up to two), carried down in order.
bool XBodyReader::countMeshes(const std::vector<uint32_t>& order)
{
    std::vector<uint64_t> paths(nodes_.size(), 0);
    std::vector<uint32_t> depth(nodes_.size(), 0);
    std::vector<unsigned char> moving(nodes_.size(), 0);
    paths[0] = 1;
    uint64_t meshes = 0;
    for (uint32_t frame : order) {
        if (depth[frame] > kMaxDepth)
            return fail("フレームの参照が深すぎるか循環している");
        for (uint32_t at = childAt_[frame]; at < childAt_[frame + 1]; ++at) {
            ++steps_;
            const uint32_t child = target(children_[at]);
            if (child == kNone)
                continue;
            if (!nodes_[child].frame) {
                meshes = std::min(meshes + paths[frame], kMaxMeshes + 1);
                nestedTransforms_ = nestedTransforms_ || moving[frame] >= 2;
                continue;
            }
            paths[child] = std::min(paths[child] + paths[frame], kMaxMeshes + 1);
            depth[child] = std::max(depth[child], depth[frame] + 1);
            const unsigned here = std::min(2u, moving[frame] + (nodes_[child].transforming ? 1u : 0u));
            moving[child] = std::max<unsigned char>(moving[child], static_cast<unsigned char>(here));
        }
    }
    if (meshes > kMaxMeshes)
        return fail("フレームの参照が多すぎる");
    meshCount_ = unsigned(meshes);
    return true;
}

uint32_t XBodyReader::target(uint32_t child) const
{
    return nodes_[child].reference ? nodes_[child].target : child;
}

std::string_view XBodyReader::nameOf(const Node& node) const
{
    return std::string_view(tokens_.getBody() + node.nameAt, node.nameSize);
}

bool XBodyReader::fail(const char* what)
{
    failure_ = what;
    return false;
}
