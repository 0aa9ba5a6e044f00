#pragma once

#include <QString>

// A listing database for trying the program out, for the tests and for the benchmark:
// FOLDER/itdb.mdb (SQLite) with Chinese listings of every kind the program meets, and
// FOLDER/picture/ with their photos as real JPEG files.
struct DemoOptions
{
    int listings = 300;
    quint32 seed = 1;
};

struct DemoSummary
{
    int listings = 0;
    int photoRows = 0;
    int photoFiles = 0;
    int missingPhotoFiles = 0;
    int users = 0;
};

// The users the demo database is made with, and their passwords.
struct DemoUser
{
    const char *name;
    const char *password;
};
extern const DemoUser demoUsers[3];

// Writes the demo database; an existing itdb.mdb in the folder is replaced. Throws
// DbError when the database cannot be written.
DemoSummary writeDemoDatabase(const QString &folder, const DemoOptions &options);
