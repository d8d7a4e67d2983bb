// Turns the bytes of an untrusted XML document (a game's install configuration, a
// service's answer) into text that TinyXML can parse without reading past its end
// or recursing too deep.
#pragma once

#include <cstddef>
#include <string>

namespace qiv::xml {

// TinyXML parses nested elements recursively; a document may hold at most this many
// element tags, which bounds the nesting depth far below what the stack can take.
constexpr size_t kMaxElementTags = 4000;
// TinyXML steps over a multi-byte sequence without looking for the terminator, so a
// text that ends inside one makes it read a few bytes past the end.
constexpr size_t kTerminatorPadding = 8;

// Fills `text` with the bytes up to the first NUL, line ends normalised as TinyXML's
// own file loading does (CR LF and a lone CR become LF), followed by NUL padding.
// False (and `text` empty) when the document holds too many element tags.
bool PrepareXmlText(const std::string& bytes, std::string& text);

// True when the bytes begin with the UTF-8 byte-order mark.
bool HasUtf8ByteOrderMark(const std::string& bytes);

}  // namespace qiv::xml
