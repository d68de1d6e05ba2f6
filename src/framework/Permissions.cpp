#include "framework/Permissions.h"

#include <algorithm>

namespace humrs {

namespace {

bool Holds(const Actor& actor, const std::string& role) {
    return !role.empty() && std::find(actor.roles.begin(), actor.roles.end(), role) != actor.roles.end();
}

}  // namespace

Permission Needed(const ClassDescriptor& c, std::string_view operation, int procedure) {
    Permission p{c.role, false};
    if (operation == "open" || operation == "check") {
        p.reads = true;
    } else if (operation == "proc") {
        const ProcedureDef* proc = c.FindProcedure(procedure);
        p.reads = proc && proc->access == ProcAccess::Reads;
    }
    return p;
}

Permission NeededForSql() { return Permission{roles::kAdmin, false}; }

bool Permits(const Actor& actor, const Permission& permission) {
    if (actor.allRights || Holds(actor, roles::kAdmin)) return true;
    return Holds(actor, permission.role) || (permission.reads && Holds(actor, roles::kViewer));
}

std::string Denial(const Permission& permission, std::string_view what) {
    const std::string role = permission.role.empty() ? std::string(roles::kAdmin) : permission.role;
    std::string text = std::string(what) + " needs the role " + role;
    if (permission.reads && role != roles::kAdmin) text += " or " + std::string(roles::kViewer);
    return text;
}

}  // namespace humrs
