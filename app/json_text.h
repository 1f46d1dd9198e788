#pragma once

#include <string>
#include <string_view>

// Appends `"name":"value"` to a JSON object under construction: "{" and its members so far. Names
// and values are bytes: a value that is not valid UTF-8 is written with each bad byte as U+FFFD,
// and its exact bytes follow as `"name_base64":"..."`, so that any JSON reader can decode the
// original back.
void AppendJsonText(std::string& object, std::string_view name, std::string_view value);

// `"name":null`, or the text as above when there is one.
void AppendJsonTextOrNull(std::string& object, std::string_view name, const std::string* value);

// `"name":json`, for a number, an array or an object already in JSON.
void AppendJsonValue(std::string& object, std::string_view name, std::string_view json);
