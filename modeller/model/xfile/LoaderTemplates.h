#pragma once

#include <cstddef>
#include <string>

// The skinning and extension template sets that the platform's own loader knows
// without a declaration, as declarations to put ahead of a body: the text of
// the toolchain's XSKINEXP_TEMPLATES and XEXTENSIONS_TEMPLATES, or that text
// encoded as binary tokens. Built once per process.
const std::string& loaderTemplates(bool binary);

// Binary tokens of text .x declarations (names, keywords, GUIDs, integers and
// punctuation); empty when the text holds anything else.
std::string encodeBinaryTokens(const char* text, size_t size);
