#pragma once
// Small helpers over cJSON for the back-end's answers: an owner of a parsed
// document and typed reads of members. Keys are compared without regard to
// case (cJSON_GetObjectItem). Any thread.
#include <memory>
#include <string>

#include "cJSON.h"

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonDoc = std::unique_ptr<cJSON, JsonDeleter>;

// Parses text up to its first zero byte; null when it is not JSON.
inline JsonDoc ParseJson(const char* text) { return JsonDoc(text ? cJSON_Parse(text) : nullptr); }

// The member as an integer; false (and value untouched) when missing or not a number.
inline bool JsonInt(const cJSON* object, const char* key, int* value) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    if (!cJSON_IsNumber(item)) return false;
    *value = item->valueint;
    return true;
}

// The member's text; null when missing or not a text.
inline const char* JsonText(const cJSON* object, const char* key) {
    const cJSON* item = cJSON_GetObjectItem(object, key);
    return cJSON_IsString(item) ? item->valuestring : nullptr;
}

// The back-end's rule for a good answer: a top-level "code" that is the number 0.
inline bool JsonCodeIsZero(const cJSON* root) {
    int code = -1;
    return JsonInt(root, "code", &code) && code == 0;
}
