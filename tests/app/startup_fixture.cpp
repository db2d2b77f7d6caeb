#include "startup_fixture.h"

#include <fstream>

#include "authoring/bundle_writer.h"
#include "support/test_environment.h"

namespace tamlo::test {

ScopedEnv::~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
}

void ScopedEnv::remember(const std::string& name) {
    if (saved_.count(name) == 0) {
        const char* value = std::getenv(name.c_str());
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
}

void ScopedEnv::set(const std::string& name, const std::string& value) {
    remember(name);
    setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnv::unset(const std::string& name) {
    remember(name);
    unsetenv(name.c_str());
}

std::vector<std::pair<int32_t, std::string>> sampleEmbeddedFiles() {
    return {{111, "print('ui')\n"},
            {113, std::string("frame package\0bytes", 19)},
            {114, "print('worker')\n"},
            {115, "program package"},
            {116, "style package"}};
}

bool writeSampleInstaller(const std::string& program, const std::string& output, std::string* error,
                          uint32_t payloadFlags) {
    std::string dir = makeTempDir("embedded");
    std::vector<BundleInput> inputs;
    for (const auto& [id, content] : sampleEmbeddedFiles()) {
        std::string path = dir + "/" + std::to_string(id);
        if (!writeFile(path, content)) {
            return false;
        }
        inputs.push_back({id, path, id == 115 ? payloadFlags : 0u});
    }
    return writeBundle(program, inputs, output, error);
}

bool corruptEmbeddedFile(const std::string& path, int32_t id) {
    std::string error;
    uint64_t offset = 0;
    {
        std::unique_ptr<Bundle> bundle = Bundle::open(path, &error);
        const BundleFileInfo* info = bundle ? bundle->find(id) : nullptr;
        if (info == nullptr || info->size == 0) {
            return false;
        }
        offset = info->offset;
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    char byte = 0;
    file.read(&byte, 1);
    byte = static_cast<char>(byte ^ 0x20);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(&byte, 1);
    return static_cast<bool>(file);
}

std::string thisBootMarker() {
    return std::string("\x00\xF1\x53\x65\x00\x00\x00\x00", 8);
}
std::string otherBootMarker() {
    return std::string("\x00\xF0\x53\x65\x00\x00\x00\x00", 8);
}

void useFixedBootTime(ScopedEnv& env) {
    std::string path = makeTempDir("stat") + "/stat";
    writeFile(path, "cpu 0\nbtime 1700000000\n");
    env.set("TAMLO_PROC_STAT", path);
}

}  // namespace tamlo::test
