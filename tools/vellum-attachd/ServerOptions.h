// What vellum-attachd is told on its command line (main.cpp parses it and
// documents each option in --help).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct ServerOptions
{
    std::string storage = "folder"; // "folder" or "postgres"
    std::string root;               // the folder store's folder
    std::string database;           // the postgres store's libpq connection string
    std::string databaseFile;       // or the file that holds it
    std::string listen = "127.0.0.1";
    int port = 8080; // 0: any free port
    // Both given: the server speaks TLS itself with this certificate chain
    // and private key (PEM files); neither: clear text.
    std::string tlsCert;
    std::string tlsKey;
    // Per-user access: uploads and downloads need a ticket of a database
    // user (TicketCheck); needs the postgres store. Off: anyone who reaches
    // the server may upload, and download what they can name.
    bool perUser = false;
    std::string type = ".jsp";
    uint64_t maxSize = 1ull << 30;
    unsigned threads = 0; // 0: one per processor
    // The postgres store's workers, each with at most one connection: a
    // few serve many clients, as each call is short, and leave the
    // database's slots to the hosts.
    unsigned databaseWorkers = 4;
    // How long a request may wait for a free worker before it is told to
    // come back later.
    std::chrono::milliseconds databaseWait{5000};
    // Where uploads to the postgres store wait for their last byte (the
    // system's temporary folder when empty).
    std::string stageFolder;
    // Longest statement: a database that stalls frees the worker.
    std::chrono::seconds statementTimeout{30};
    unsigned maxConnections = 10000;
    // Connections one client address may hold at once: an office behind
    // one address still fits, a flood from one address leaves room for
    // everyone else.
    unsigned maxPerAddress = 2000;
    // A request head must have arrived whole this long after the
    // connection was ready for it, however its bytes trickle in.
    std::chrono::seconds headTimeout{30};
    // A body or a response that makes no progress this long is dropped.
    std::chrono::seconds idleTimeout{60};
};
