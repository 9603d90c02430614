/* The public header as a C host includes it: MailArgs and the exports. */
#include <stdio.h>
#include <vellum/vellum.h>

int main(void)
{
    MailArgs args = {"list?UserName=li", NULL};
    (void)args;
    printf("%s\n", vellumVersion());
    return 0;
}
