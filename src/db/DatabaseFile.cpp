#include "db/DatabaseFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/Convert.h"
#include "db/Schema.h"

namespace humrs {

namespace {

// The folder a database file's journal files go to.
std::string FolderOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

}  // namespace

bool CheckDatabaseFile(const std::string& path, FileAccess access) {
    if (path == ":memory:") return true;
    if (path.empty()) throw DatabaseError("no database file given");
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        if (error != ENOENT)
            throw DatabaseError("cannot reach the database " + path + ": " + std::strerror(error));
        if (access == FileAccess::Write) {
            const std::string folder = FolderOf(path);
            struct stat dir {};
            if (::stat(folder.c_str(), &dir) != 0 || !S_ISDIR(dir.st_mode))
                throw DatabaseError("cannot create the database " + path + ": the folder " + folder +
                                    " does not exist");
            if (::access(folder.c_str(), W_OK | X_OK) != 0)
                throw DatabaseError("cannot create the database " + path + ": the folder " + folder +
                                    " is read-only (" + std::strerror(errno) + ")");
        }
        return false;
    }
    if (S_ISDIR(st.st_mode)) throw DatabaseError(path + " is a folder, not a database file");
    if (!S_ISREG(st.st_mode))
        throw DatabaseError(path +
                            " is not a regular file (a pipe, device or socket), so it cannot be a database");
    if (::access(path.c_str(), R_OK) != 0)
        throw DatabaseError("cannot read the database " + path + ": " + std::strerror(errno));
    if (access == FileAccess::Write) {
        if (::access(path.c_str(), W_OK) != 0)
            throw DatabaseError("cannot write the database " + path + ": " + std::strerror(errno));
        // The journal files live beside the database; they must exist already or be
        // creatable.
        const std::string folder = FolderOf(path);
        if (::access(folder.c_str(), W_OK | X_OK) != 0 && ::access((path + "-wal").c_str(), W_OK) != 0)
            throw DatabaseError("cannot write the database " + path + ": its folder " + folder +
                                " is read-only and the database keeps its journal files there");
    }
    return true;
}

void CheckSchemaVersion(Database& db, const std::string& path, const std::vector<TableDef>& required) {
    if (db.TableColumns("humSchemaVersion").empty()) return;
    const auto row = db.QueryFirst("Select Max(Version) From humSchemaVersion");
    const int stored = row && !(*row)[0].IsNullOrEmpty() ? CInt((*row)[0]) : 0;
    if (stored > SchemaVersion())
        throw DatabaseError(path + " has schema version " + std::to_string(stored) + ", newer than version " +
                            std::to_string(SchemaVersion()) +
                            " that this program knows; use the humrs that made it, or a newer one");
    for (const TableDef& table : required)
        if (db.TableColumns(table.name).empty())
            throw DatabaseError(path + " lacks the table " + table.name + " of schema version " +
                                std::to_string(SchemaVersion()) +
                                "; run `humrs init` to add what is missing");
}

}  // namespace humrs
