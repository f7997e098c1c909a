#include "raredaro/core/char_set.h"

namespace raredaro {

void CharSet::toUpper(std::string* text) const {
    if (upper) {
        upper(text);
        return;
    }
    for (std::size_t i = 0; i < text->size();) {
        const std::size_t n = charLength(*text, i);
        char& c = (*text)[i];
        if (n == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        i += n;
    }
}

}  // namespace raredaro
