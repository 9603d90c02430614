// Opens a session of its own on the SQLite file named on the command line,
// as a host does before it lends the session to a folder view, and prints
// the library's version and the database product.
#include <cstdio>
#include <string>
#include <vellum/vellum.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    CDbSession session;
    std::string connect = std::string("Provider=SQLite;Data Source=") + argv[1];
    if (session.Open(connect.c_str()) != 1 ||
        session.Execute("create table Probe(KeyId int)") != 1) {
        std::fprintf(stderr, "%s\n", session.GetLastErrorText().c_str());
        return 1;
    }
    std::printf("%s %s\n", vellumVersion(), session.GetDbmsName().c_str());
    return 0;
}
