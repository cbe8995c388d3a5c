// Reads the operator's manual, written as the HTML page media/manual/KV1.html,
// into help topics: the part before the first <section> is the contents topic
// (CONTENTS), each <section id="..."> a topic titled by its <h2>. Paragraphs
// end at </p>, </li>, </tr>, </h1>..</h3> and at a list's start; a table row
// reads "header：text"; <a href="#id"> is a jump to that topic.
#pragma once
#include <string>

#include "media/winhelp/help_topics.h"

namespace kv::help {

Manual ReadManual(const std::string& html);

}  // namespace kv::help
