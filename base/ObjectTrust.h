// Whether a file or folder in a folder every local user may add to is the
// program's own, judged on the object a name stands for and never on what a
// link there leads to; and that object held, so that the name keeps leading
// to it while it is used.
#pragma once
#include "base/Handles.h"
#include "platform/Kernel.h"
#include "platform/Security.h"

// The rule an object failed, so that a log can say why it was not used.
enum class Trust {
    Ok,
    Link,           // a junction, mount point or symbolic link (or a tag that cannot be read)
    Owner,          // not SYSTEM, Administrators or this user (or unreadable)
    AnotherWriter,  // an entry of any type lets another account change it
    SeveralNames,   // a file with more than one name (a hard link)
    ForeignEntry,   // in a folder: something of another's that could not be removed
};

// What a judgement rests on: the name's own attributes, and what the handle
// opened on the object itself shows.
struct ObjectFacts {
    plat::DWORD nameAttributes;  // GetFileAttributesA of the path
    bool tagRead;
    plat::FILE_ATTRIBUTE_TAG_INFO tag;
    plat::DWORD links;
    bool securityRead;
    plat::OBJECT_SECURITY security;
};

Trust JudgeObject(const ObjectFacts& facts);
// Whether an entry of an access list lets an account other than SYSTEM,
// Administrators or this user write, add, delete, or change the rights or
// the owner. Denying entries never do; a type the program does not know
// counts as one that might.
bool LetsAnotherChange(const plat::ACCESS_ENTRY& entry);

// A file or folder opened on the object itself and held, sharing neither
// write nor delete: while it is held, its name can be neither replaced,
// renamed nor written, so a call that takes the path reaches what was judged.
class HeldObject {
public:
    HeldObject() = default;
    static HeldObject Open(const char* path);

    bool Exists() const { return m_exists; }
    bool IsFolder() const { return m_folder; }
    Trust Verdict() const { return m_verdict; }
    bool Trusted() const { return m_exists && m_verdict == Trust::Ok; }
    plat::HANDLE Handle() const { return m_file.Get(); }
    void Release() { m_file.Close(); }

private:
    FileHandle m_file;
    bool m_exists = false;
    bool m_folder = false;
    Trust m_verdict = Trust::Owner;
};
