/* The interface a host application uses to show Vellum's mail folders and
 * dialogs: the argument record of the folder exports and the six exports,
 * for C and C++ hosts.
 *
 * A host either links libvellum (-lvellum, or Vellum::vellum in CMake) or
 * loads it at run time with dlopen and looks the exports up by name; the
 * function pointer types below are for the second way. Every export runs on
 * the thread that owns the host's QApplication.
 *
 * The folder exports return a new view (a QWidget without a parent): the
 * host re-parents it into its frame, shows it, and deletes it when done. The
 * database session in MailArgs is the host's own, opened by the host; the
 * view borrows it and it must outlive the view. C++ hosts construct and open
 * it through CDbSession (declared in vellum/DbSession.h, included here).
 *
 * Every control of the views and dialogs carries its control identifier
 * (6002 the open button of a folder, 6011 the inbox grid, ...) as the Qt
 * property "vellumControlId", so hosts and automation can find it. */
#ifndef VELLUM_VELLUM_H
#define VELLUM_VELLUM_H

#include <stdint.h>

#ifdef __cplusplus
#include "vellum/DbSession.h"
extern "C" {
#else
typedef struct CDbSession CDbSession;
#endif

#define VELLUM_EXPORT __attribute__((visibility("default")))

/* The argument record of the four folder exports. */
typedef struct MailArgs
{
    /* URL-style parameters in the host code page, for example
     * "list?UserName=li"; the folder exports read UserName. */
    const char* params;
    /* The host's open session, borrowed by the view for its whole life. */
    CDbSession* session;
} MailArgs;

/* The folder views: drafts, sent log, inbox, notifications. Each returns a
 * new QWidget* (as void*) owned by the host from then on. */
VELLUM_EXPORT void* listMailDraft(MailArgs* args);
VELLUM_EXPORT void* listMailLog(MailArgs* args);
VELLUM_EXPORT void* listMailNew(MailArgs* args);
VELLUM_EXPORT void* listMailNotify(MailArgs* args);

/* The modal dialogs over the host's main window: compose (a draft by Keyid,
 * or a new mail) and read (a delivered copy by Keyid). params names
 * UserName, Keyid and Connect (the connection string of the dialog's own
 * session). The first argument is not used. Both return 1 when the dialog
 * ran, 0 when there is no main window or the database could not be opened
 * (the reason was shown to the user).
 *
 * editMailDraft with Recover=1 (a host calls it so when it starts) offers
 * the user back the mail they were writing when the host last ended without
 * closing the compose dialog (a crash): taken, the compose dialog opens
 * with it; declined, it is gone. Without such a mail nothing is shown. */
VELLUM_EXPORT int32_t editMailDraft(int32_t unused, const char* params);
VELLUM_EXPORT int32_t viewMailData(int32_t unused, const char* params);

/* The library's version, "MAJOR.MINOR.PATCH". */
VELLUM_EXPORT const char* vellumVersion(void);

/* For hosts that look the exports up with dlsym. */
typedef void* (*VellumListFunction)(MailArgs* args);
typedef int32_t (*VellumDialogFunction)(int32_t unused, const char* params);
typedef const char* (*VellumVersionFunction)(void);

#ifdef __cplusplus
}
#endif

#endif /* VELLUM_VELLUM_H */
