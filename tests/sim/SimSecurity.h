// Owners, access lists and local users of the simulated Windows: enough of
// Windows' file security to plant what another local user can plant on a
// shared machine, and to see who may start, write or replace what.
//
// The model (each rule a small part of what Windows documents):
// - Every file and folder has an owner and an access list of entries:
//   allowing (plain, object or callback entries grant alike here), denying
//   (taking rights away whatever allows them), or of a type that grants
//   nothing here but that a reader of the list cannot know.
// - An entry grants some of five rights to one account: read and execute
//   (also listing a folder), write (on a folder: add files and sub-folders),
//   delete, delete a child (on a folder: delete anything in it), change the
//   access list or owner. The owner may always change the access list.
// - An entry applies to its own file or folder unless it is inherit-only,
//   and may flow to files and/or folders made inside. When a file or folder
//   is made, the entries flowing to it are copied into its list (an entry for
//   CREATOR OWNER becomes one for the maker), unless its list is protected.
//   A moved file keeps its list, as on one volume on Windows. Setting a
//   folder's list copies the flowing entries again into everything below.
// - Making a file or folder needs write on its folder; opening a file for
//   reading, starting it or reading its version data needs read; opening for
//   writing or truncating needs write; deleting, moving away or replacing
//   needs delete on the file or delete-child on its folder.
// - Accounts: UserA and UserB are plain local users (UserA, the default, has
//   the profile C:\Users\user); Administrators stands for an elevated
//   administrator, whose files are owned by the Administrators group, as on
//   Windows; System is the local system. Every user and the administrator
//   are members of Users; System is a member of Administrators.
// - Defaults after sim::Reset(): every volume's root as Windows makes C:
//   (SYSTEM and Administrators full control, Users read and may add folders,
//   CREATOR OWNER full control); C:\ProgramData protected with Windows'
//   rights for the common application data folder (SYSTEM, Administrators
//   full control, CREATOR OWNER full control, Users read and execute, Users
//   may add files and folders there and in every folder made in it), so a
//   file another user made there is theirs alone; C:\Users\user protected
//   for SYSTEM, Administrators and UserA. The current user is UserA.
// Test set-up helpers (PutFile, MakeFolder, RemovePath) ignore the rights
// but give what they make the current user as owner and the inherited list.
#pragma once
#include <string>
#include <vector>

namespace sim {

enum class Account { System, Administrators, Users, CreatorOwner, UserA, UserB };

enum Rights : unsigned {
    kReadExecute = 1,
    kWrite = 2,  // on a folder: add files and sub-folders
    kDelete = 4,
    kDeleteChild = 8,
    kChangeRights = 16,
    kFullControl = 31,
};

enum class EntryType { Allow, Deny, AllowObject, AllowCallback, Unknown };

struct AccessEntry {
    Account who;
    unsigned rights;
    bool here = true;        // false: inherit-only
    bool toFiles = false;    // flows to files made in the folder
    bool toFolders = false;  // flows to folders made in it
    bool inherited = false;  // copied from the folder above (set by the simulation)
    EntryType type = EntryType::Allow;
};

// The user every simulated call runs as from now on.
void SetCurrentUser(Account user);
Account CurrentUser();

// Owner of a file or folder (System for a path that does not exist).
Account OwnerOf(const std::string& path);
// Whether the account holds every one of these rights on the path.
bool MayAccess(const std::string& path, Account user, unsigned rights);
// Replaces the owner and the list's own entries (protected: nothing is
// inherited from above); everything below inherits anew. False when the
// path does not exist.
bool SetAccess(const std::string& path, Account owner, const std::vector<AccessEntry>& entries,
               bool isProtected);
// The list's entries, its own and the inherited ones (empty for a path
// that does not exist).
std::vector<AccessEntry> AccessListOf(const std::string& path);
// An entry that applies here and flows to everything made inside.
inline AccessEntry Everywhere(Account who, unsigned rights) { return {who, rights, true, true, true, false}; }

}  // namespace sim
