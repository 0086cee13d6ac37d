#pragma once
// An in-memory registry: keys by path (case-insensitive), values with a type.

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>

#include "platform/app_error.h"
#include "platform/registry.h"

namespace velk::testing {

enum class ValueType { Sz, ExpandSz, Dword, Binary };

class FakeRegistry : public Registry {
  public:
    struct Value {
        ValueType type = ValueType::Sz;
        std::string data; // may hold NULs; for text, read up to the first one
    };
    struct Key {
        std::map<std::string, Value> values; // by lower-case name
        bool denied = false;                 // exists, but cannot be opened
    };

    // Keys under HKEY_LOCAL_MACHINE (32-bit view) and HKEY_CLASSES_ROOT.
    std::map<std::string, Key> localMachine;
    std::map<std::string, Key> classesRoot;
    int opened = 0;

    void setLocalMachine(const std::string& path, const std::string& name, const std::string& data,
                         ValueType type = ValueType::Sz) {
        localMachine[lower(path)].values[lower(name)] = Value{type, data};
    }
    void setClassesRoot(const std::string& path, const std::string& name, const std::string& data,
                        ValueType type = ValueType::Sz) {
        classesRoot[lower(path)].values[lower(name)] = Value{type, data};
    }

    std::unique_ptr<RegistryKey> openLocalMachine(const std::string& path) override {
        return open(localMachine, path);
    }
    std::unique_ptr<RegistryKey> openClassesRoot(const std::string& path) override {
        return open(classesRoot, path);
    }

    static std::string lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }

  private:
    class FakeKey : public RegistryKey {
      public:
        explicit FakeKey(const Key& key) : key_(key) {}
        std::string readString(const std::string& valueName) override {
            auto it = key_.values.find(lower(valueName));
            if (it == key_.values.end() || it->second.data.empty()) {
                return {};
            }
            const Value& value = it->second;
            if (value.type != ValueType::Sz && value.type != ValueType::ExpandSz) {
                throw AppError("Invalid data type for '" + valueName + "'");
            }
            return value.data.substr(0, value.data.find('\0'));
        }

      private:
        Key key_;
    };

    std::unique_ptr<RegistryKey> open(std::map<std::string, Key>& keys, const std::string& path) {
        auto it = keys.find(lower(path));
        if (it == keys.end() || it->second.denied) {
            return nullptr;
        }
        ++opened;
        return std::make_unique<FakeKey>(it->second);
    }
};

} // namespace velk::testing
