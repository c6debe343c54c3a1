#pragma once
// Template files keep their texts in code page 936 (GBK); everything else in the
// program is UTF-8. These are the only crossings between the two.

#include <optional>
#include <string>
#include <string_view>

namespace imbrino {

// Decodes GBK bytes. A byte sequence that is not GBK becomes U+FFFD, so a
// damaged text in a file still shows what can be shown.
std::string gbkToUtf8(std::string_view gbk);

// Encodes UTF-8 text as GBK. Fails (nothing) when a character has no GBK
// form or the input is not valid UTF-8: such text is refused, never changed.
std::optional<std::string> utf8ToGbk(std::string_view utf8);

}  // namespace imbrino
