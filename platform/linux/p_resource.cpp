// p_resource.cpp -- data linked into the executable, found by name and type.
//
// The build registers each embedded file at start-up (setup_embed_resources); the table holds
// pointers into the executable's read-only data, so nothing is copied or ever released.
#include <cstring>
#include <vector>

#include "platform/s_platform.h"

namespace Platform {

namespace {

struct Resource {
    std::string name;
    std::string type;
    const unsigned char* data;
    size_t size;
};

// A function-local table: registrations run during static initialisation of other objects.
std::vector<Resource>& Table() {
    static std::vector<Resource> table;
    return table;
}

}  // namespace

void RegisterResource(const char* name, const char* type, const unsigned char* data, size_t size) {
    for (Resource& resource : Table()) {
        if (resource.name == name && resource.type == type) {
            resource.data = data;
            resource.size = size;
            return;
        }
    }
    Table().push_back(Resource{name, type, data, size});
}

bool FindResource(const char* name, const char* type, const unsigned char** data, size_t* size) {
    for (const Resource& resource : Table()) {
        if (resource.name == name && resource.type == type) {
            *data = resource.data;
            *size = resource.size;
            return true;
        }
    }
    return false;
}

}  // namespace Platform
