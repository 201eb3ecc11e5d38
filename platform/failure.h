// How a step that can fail says why, in the app and the platform code alike: it returns a Failure,
// nothing when it succeeded, otherwise the reason as text for the line a person reads. Each step's
// contract says whether that is the whole line or the words that end one, as in "palvetta: cannot
// write 'x.png': " and the reason. What a step makes goes where its caller points it.
#pragma once

#include <optional>
#include <string>

using Failure = std::optional<std::string>;
