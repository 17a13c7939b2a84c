// What stands at a place in a source: a naming of a label or a defined
// function that the analysis found, and the token under the cursor (which
// is there also where the statement did not translate). Editors ask this
// before they explain, jump or list.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "analysis/source.h"

namespace vantel::analysis {

struct Site {
    const Occurrence* occurrence = nullptr;
    std::optional<tokens::Token> token;
    int card = 0;
    std::string word; // the token's text, in capitals
};

// The site at a byte offset of the source's text. The token ending at the
// offset counts as well, so that a cursor just after a name finds it.
Site SiteAt(const Source& source, std::size_t offset);

// The names a site refers to, as labels or as functions.
bool NamesLabel(const Site& site, std::string& name);
bool NamesFunction(const Analysis& analysis, const Site& site, std::string& name);

// What a place names: a label or a function defined in the text.
struct Named {
    bool label = true;
    std::string name;
};
std::optional<Named> NamedAt(const Source& source, std::size_t offset);

} // namespace vantel::analysis
