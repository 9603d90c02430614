// RTLD_NOW: a library that lacks a symbol fails here, at start-up, and not
// in the middle of a click.
#include "VellumModule.h"

#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

std::string ProgramFolder()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

std::vector<std::string> UsualPlaces()
{
    std::vector<std::string> places;
    std::string folder = ProgramFolder();
    if (!folder.empty())
        places.push_back(folder + "/../lib/" VELLUM_LIBRARY_SONAME);
    places.push_back(VELLUM_BUILD_LIBRARY);
    places.push_back(VELLUM_LIBRARY_SONAME);
    return places;
}

} // namespace

VellumModule::~VellumModule()
{
    // The library stays loaded: views and widgets it made may outlive this
    // object inside Qt's own teardown.
}

bool VellumModule::Open(const std::string& path)
{
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* reason = dlerror();
        m_error = reason ? reason : "cannot load " + path;
        return false;
    }
    m_path = path;
    return true;
}

template <typename Function> bool VellumModule::Resolve(const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(m_handle, name));
    if (!function)
        m_error = m_path + " has no export " + name;
    return function != nullptr;
}

bool VellumModule::Load(const std::string& path)
{
    if (!path.empty()) {
        if (!Open(path))
            return false;
    } else {
        bool opened = false;
        for (const std::string& place : UsualPlaces()) {
            bool isFile = place.find('/') != std::string::npos;
            if (isFile && access(place.c_str(), R_OK) != 0)
                continue;
            if ((opened = Open(place)))
                break;
        }
        if (!opened)
            return false;
    }
    return Resolve("listMailDraft", listMailDraft) && Resolve("listMailLog", listMailLog) &&
           Resolve("listMailNew", listMailNew) && Resolve("listMailNotify", listMailNotify) &&
           Resolve("editMailDraft", editMailDraft) && Resolve("viewMailData", viewMailData) &&
           Resolve("vellumVersion", vellumVersion);
}
