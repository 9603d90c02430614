// libvellum loaded the way a host loads it: dlopen, then each export looked
// up by name. The host keeps no other tie to the library's code.
#pragma once

#include "vellum/vellum.h"

#include <string>

class VellumModule
{
public:
    VellumModule() = default;
    ~VellumModule();
    VellumModule(const VellumModule&) = delete;
    VellumModule& operator=(const VellumModule&) = delete;

    // Loads the library at path, or the first of the usual places when path
    // is empty: ../lib beside this program (an installed tree), then the
    // build tree this program came from, then the loader's search path.
    // False with the reason in Error() when the library or an export is
    // missing.
    bool Load(const std::string& path);

    const std::string& Error() const { return m_error; }
    // The file that was loaded.
    const std::string& Path() const { return m_path; }

    VellumListFunction listMailDraft = nullptr;
    VellumListFunction listMailLog = nullptr;
    VellumListFunction listMailNew = nullptr;
    VellumListFunction listMailNotify = nullptr;
    VellumDialogFunction editMailDraft = nullptr;
    VellumDialogFunction viewMailData = nullptr;
    VellumVersionFunction vellumVersion = nullptr;

private:
    bool Open(const std::string& path);
    template <typename Function> bool Resolve(const char* name, Function& function);

    void* m_handle = nullptr;
    std::string m_path;
    std::string m_error;
};
