/* The public header as a C host includes it: MailArgs and the exports. Without
 * a Qt application there is no main window, so the compose export gives 0. */
#include <stdio.h>
#include <vellum/vellum.h>

int main(void)
{
    MailArgs args = {"list?UserName=li", NULL};
    VellumListFunction list = listMailDraft;
    (void)args;
    (void)list;
    printf("%s %d\n", vellumVersion(), (int)editMailDraft(0, "edit?UserName=li"));
    return 0;
}
