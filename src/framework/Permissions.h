#pragma once
// Who may do what with a class. A class's bills are written by the holders of its
// role (ClassDescriptor::role); reading (open, field checks, procedures declared
// reading) is open to viewers as well; administrators may do everything. Checked
// once per client operation, before the object is made: the objects a class calls
// for it (DoCOMMethod) run with the caller's permission.
#include <string>
#include <string_view>

#include "framework/ClassDescriptor.h"
#include "framework/Session.h"

namespace humrs {

struct Permission {
    std::string role;    // the role that may do it besides admin; empty: admin only
    bool reads = false;  // viewers may do it too
};

// What `operation` ("new", "open", "edit", "save", "delete", "check", "proc") on the
// class needs; `procedure` is the number of a "proc". An operation this does not
// know, and a procedure the class does not declare, count as writing.
Permission Needed(const ClassDescriptor& c, std::string_view operation, int procedure = 0);
// Running SQL statements: administrators only.
Permission NeededForSql();

bool Permits(const Actor& actor, const Permission& permission);
// The refusal told to an actor lacking the permission; names the role needed.
std::string Denial(const Permission& permission, std::string_view what);

}  // namespace humrs
