// A JSON value with the place it has in its document ("devices[0].pins[1]", or from a
// root such as "$"), so that whatever reads a document can say where a fault is. The
// device catalog and the V4L2 recording read their files through it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace capspect {

class JsonPath {
public:
    // `path` is the value's place: empty for a document read without a root name.
    JsonPath(const nlohmann::json& value, std::string path)
        : value_(&value), path_(std::move(path)) {}

    const nlohmann::json& Value() const { return *value_; }
    const std::string& Path() const { return path_; }

    // The place of the member `key` of this object.
    std::string PathOf(std::string_view key) const {
        return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
    }
    // The member `key`, which the caller knows is there (nlohmann's at() throws if not).
    JsonPath Member(std::string_view key) const {
        return JsonPath(value_->at(std::string(key)), PathOf(key));
    }
    // The element at `index` of this array (nlohmann's at() throws beyond its end).
    JsonPath Element(std::size_t index) const {
        return JsonPath(value_->at(index), path_ + "[" + std::to_string(index) + "]");
    }

private:
    const nlohmann::json* value_;
    std::string path_;
};

}  // namespace capspect
