// The rule an object of the install folder must pass, from the facts a
// handle on it gives: no link, a trusted owner, no entry of any type or
// inheritance that lets another account change it, one name.
#include "base/ObjectTrust.h"

#include <gtest/gtest.h>

#include <vector>

using namespace plat;

namespace {

constexpr DWORD kFullControl = 0x1F01FF;
constexpr DWORD kReadExecute = 0x1200A9;

struct Row {
    const char* what;
    DWORD nameAttributes;
    bool tagRead;
    DWORD handleAttributes;
    DWORD tag;
    DWORD links;
    TRUSTEE_KIND owner;
    bool hasList;
    std::vector<ACCESS_ENTRY> extra;  // beside SYSTEM, Administrators and the user in full, Others reading
    Trust expected;
};

constexpr DWORD kFile = 0x20, kDir = FILE_ATTRIBUTE_DIRECTORY, kReparse = FILE_ATTRIBUTE_REPARSE_POINT;

ACCESS_ENTRY Others(DWORD mask, BYTE type = ACCESS_ALLOWED_ACE_TYPE, BYTE flags = 0) {
    return {type, flags, mask, TRUSTEE_OTHER};
}

const Row kRows[] = {
    {"the program's own file", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true, {}, Trust::Ok},
    {"an administrators' folder", kDir, true, kDir, 0, 1, TRUSTEE_ADMINISTRATORS, true, {}, Trust::Ok},
    {"a junction", kDir | kReparse, true, kDir | kReparse, 0xA0000003, 1, TRUSTEE_CURRENT_USER, true, {}, Trust::Link},
    {"a symbolic link", kFile | kReparse, true, kFile | kReparse, 0xA000000C, 1, TRUSTEE_SYSTEM, true, {}, Trust::Link},
    {"a link the opening went through", kDir | kReparse, true, kDir, 0, 1, TRUSTEE_CURRENT_USER, true, {}, Trust::Link},
    {"a tag that cannot be read", kFile | kReparse, false, 0, 0, 1, TRUSTEE_CURRENT_USER, true, {}, Trust::Link},
    {"a compressed file", kFile | kReparse, true, kFile | kReparse, 0x80000017, 1, TRUSTEE_CURRENT_USER, true, {},
     Trust::Ok},
    {"a cloud placeholder", kFile | kReparse, true, kFile | kReparse, 0x9000001A, 1, TRUSTEE_CURRENT_USER, true, {},
     Trust::Ok},
    {"another user's file", kFile, true, kFile, 0, 1, TRUSTEE_OTHER, true, {}, Trust::Owner},
    {"a hard link", kFile, true, kFile, 0, 2, TRUSTEE_ADMINISTRATORS, true, {}, Trust::SeveralNames},
    {"a null list", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, false, {}, Trust::AnotherWriter},
    {"Users may write", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true, {Others(FILE_WRITE_DATA)},
     Trust::AnotherWriter},
    {"Users may add folders", kDir, true, kDir, 0, 1, TRUSTEE_SYSTEM, true, {Others(FILE_APPEND_DATA)},
     Trust::AnotherWriter},
    {"Everyone full control, inherit-only", kDir, true, kDir, 0, 1, TRUSTEE_CURRENT_USER, true,
     {Others(kFullControl, ACCESS_ALLOWED_ACE_TYPE, INHERIT_ONLY_ACE | OBJECT_INHERIT_ACE)}, Trust::AnotherWriter},
    {"CREATOR OWNER generic all, inherit-only", kDir, true, kDir, 0, 1, TRUSTEE_CURRENT_USER, true,
     {Others(GENERIC_ALL, ACCESS_ALLOWED_ACE_TYPE, INHERIT_ONLY_ACE | CONTAINER_INHERIT_ACE)}, Trust::AnotherWriter},
    {"an object entry letting others delete", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true,
     {Others(DELETE, ACCESS_ALLOWED_OBJECT_ACE_TYPE)}, Trust::AnotherWriter},
    {"a callback entry letting others change the rights", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true,
     {Others(WRITE_DAC, ACCESS_ALLOWED_CALLBACK_ACE_TYPE)}, Trust::AnotherWriter},
    {"others may take ownership", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true, {Others(WRITE_OWNER)},
     Trust::AnotherWriter},
    {"generic write", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true, {Others(GENERIC_WRITE)},
     Trust::AnotherWriter},
    {"others may delete children", kDir, true, kDir, 0, 1, TRUSTEE_CURRENT_USER, true, {Others(FILE_DELETE_CHILD)},
     Trust::AnotherWriter},
    {"an entry of a type not known", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true, {Others(0, 0x13)},
     Trust::AnotherWriter},
    {"a denying entry", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true,
     {Others(kFullControl, ACCESS_DENIED_ACE_TYPE), Others(kFullControl, ACCESS_DENIED_OBJECT_ACE_TYPE)}, Trust::Ok},
    {"others may only read and run it", kFile, true, kFile, 0, 1, TRUSTEE_CURRENT_USER, true,
     {Others(kReadExecute, ACCESS_ALLOWED_ACE_TYPE, INHERIT_ONLY_ACE)}, Trust::Ok},
};

TEST(ObjectTrust, EachRuleAndItsReason) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        ObjectFacts facts{};
        facts.nameAttributes = row.nameAttributes;
        facts.tagRead = row.tagRead;
        facts.tag = {row.handleAttributes, row.tag};
        facts.links = row.links;
        facts.securityRead = true;
        facts.security.owner = row.owner;
        facts.security.hasAccessList = row.hasList ? TRUE : FALSE;
        std::vector<ACCESS_ENTRY> entries = {{ACCESS_ALLOWED_ACE_TYPE, 0, kFullControl, TRUSTEE_SYSTEM},
                                             {ACCESS_ALLOWED_ACE_TYPE, 0, GENERIC_ALL, TRUSTEE_ADMINISTRATORS},
                                             {ACCESS_ALLOWED_ACE_TYPE, 0, kFullControl, TRUSTEE_CURRENT_USER},
                                             Others(kReadExecute)};
        entries.insert(entries.end(), row.extra.begin(), row.extra.end());
        facts.security.entryCount = row.hasList ? static_cast<DWORD>(entries.size()) : 0;
        for (std::size_t i = 0; i < entries.size(); ++i) facts.security.entries[i] = entries[i];
        EXPECT_EQ(row.expected, JudgeObject(facts));
    }
}

}  // namespace
