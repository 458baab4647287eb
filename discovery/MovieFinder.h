#pragma once
// The movies a page embeds, by the literal "EMBED SRC=" rule alone or read from the page's
// markup and scripts as browsers read them. Platform-neutral: the page-scan worker and the
// automation bridge both call it, and the native tests and the fuzzer drive it directly.
#include <string_view>

#include "CStringArray.h"

// Appends the absolute addresses of the movies that `page` embeds; `pageUrl`, used whole, is the
// address the page came from.
//
// Not extended: exactly what CEmbedParser gives, in its order, repeats included.
//
// Extended: the literal rule's hits first, in their order, except those the page itself
// contradicts (inside a comment or a script, a non-Flash type or a known non-Flash extension, a
// value the rule misread); then in document order the movies of <embed> tags written any way,
// of Flash <object> tags (data, <param name=movie|src>), of markup inside script strings and of
// the usual embedding calls. Values have their character references decoded and are resolved
// against <base href> or the page address; each address is listed once. Flashvars, media and
// data files, links, non-Flash objects and dead markup never give a movie.
void FindMovies(std::string_view page, std::string_view pageUrl, bool extended, CStringArray& movies);
