// The functions the host calls by name. The folder views and dialogs join
// here as their folders are built; until then the library carries only its
// version, which lets a host check that it loaded the module it expects.
extern "C" {

__attribute__((visibility("default"))) const char* vellumVersion()
{
    return "0.1";
}
}
