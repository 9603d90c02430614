// Which downloaded files the desktop may open by itself. The file and its
// name come from whoever sent the mail, and the desktop runs a program for
// some types (.desktop entries, scripts, .jar, executables, web pages with
// their scripts): those are saved but never opened, and the person is told
// where they are.
#pragma once

#include <string>

// True for a file whose type only shows documents, pictures, sound or
// archives. A list of what may be opened, not of what may not: a type
// nobody thought of is not opened.
bool OpensWithoutRunningCode(const std::string& path);
