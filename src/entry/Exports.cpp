// The functions the host calls by name (declared for hosts in
// include/vellum/vellum.h). The folder views and dialogs join here as their
// folders are built; the version lets a host check that it loaded the
// module it expects.
#include "vellum/vellum.h"

extern "C" {

const char* vellumVersion()
{
    return VELLUM_VERSION_TEXT;
}
}
