// The Run value against the real registry of the test prefix. Each test redirects HKEY_CURRENT_USER of
// this process to a private key (RegOverridePredefKey), so the prefix's own Run key is never touched.
#include "services/run_value.h"

#include <aclapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/handles.h"
#include "base/text.h"

namespace vt {
namespace {

constexpr const char* kRunPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kParentPath = "Software\\Microsoft\\Windows\\CurrentVersion";

void DeleteTree(HKEY root, const std::string& path) {
    UniqueRegKey key;
    LONG status = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put());
    if (status == ERROR_ACCESS_DENIED) {
        // A key a test locked: the owner may still rewrite its access list, so open it to everyone again.
        UniqueRegKey locked;
        if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, locked.put()) == ERROR_SUCCESS)
            SetSecurityInfo(locked.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            nullptr, nullptr);
        status = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put());
    }
    if (status != ERROR_SUCCESS) return;
    char name[256];
    for (;;) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key.get(), 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteTree(key.get(), name);
        // A subkey that cannot be removed would be enumerated again for ever.
        UniqueRegKey still;
        if (RegOpenKeyExA(key.get(), name, 0, KEY_READ, still.put()) == ERROR_SUCCESS) break;
    }
    key.reset();
    RegDeleteKeyA(root, path.c_str());
}

class RunValue : public testing::Test {
protected:
    void SetUp() override {
        root_path_ = "Software\\VeltraneTests\\run-" + std::to_string(GetCurrentProcessId());
        DeleteTree(HKEY_CURRENT_USER, root_path_);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, root_path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, root_.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root_.get()), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        root_.reset();
        DeleteTree(HKEY_CURRENT_USER, root_path_);
    }

    // Opens (creating) the private Run key.
    UniqueRegKey RunKey() {
        UniqueRegKey key;
        EXPECT_EQ(RegCreateKeyExA(root_.get(), kRunPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    void SetRaw(DWORD type, const void* data, DWORD size) {
        UniqueRegKey key = RunKey();
        ASSERT_EQ(RegSetValueExA(key.get(), "Veltrane", 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }

    std::string RawAnsi() {
        UniqueRegKey key = RunKey();
        char buffer[2048] = {};
        DWORD size = sizeof buffer - 1, type = 0;
        if (RegQueryValueExA(key.get(), "Veltrane", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
            return "<missing>";
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        return buffer;
    }

    std::string root_path_;
    UniqueRegKey root_;
};

TEST_F(RunValue, WrittenValueIsReadBackExactly) {
    std::string data = RunValueDataFor("C:\\Program Files\\Veltrane", "Veltrane");
    EXPECT_EQ(WriteRunValue(data), RunValueResult::Ok);
    EXPECT_EQ(RawAnsi(), data);
    EXPECT_EQ(ReadRunValue(), data);
    // Written again (start-up rewrites it), it is replaced, not duplicated.
    EXPECT_EQ(WriteRunValue("\"C:\\Veltrane.exe\" hide"), RunValueResult::Ok);
    EXPECT_EQ(ReadRunValue(), "\"C:\\Veltrane.exe\" hide");
}

TEST_F(RunValue, ChinesePathIsStoredInTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 936u);
    std::string data = RunValueDataFor("D:\\宽带工具", "拨号");
    EXPECT_EQ(WriteRunValue(data), RunValueResult::Ok);
    EXPECT_EQ(RawAnsi(), "\"D:\\\xBF\xED\xB4\xF8\xB9\xA4\xBE\xDF\\\xB2\xA6\xBA\xC5.exe\" hide");
    EXPECT_EQ(ReadRunValue(), data);
}

TEST_F(RunValue, LongValuesAreReadWhole) {
    for (std::size_t length : {255u, 256u, 257u, 600u}) {
        std::string data = "\"C:\\" + std::string(length - 14, 'd') + ".exe\" hide";
        ASSERT_EQ(data.size(), length);
        ASSERT_EQ(WriteRunValue(data), RunValueResult::Ok);
        EXPECT_EQ(ReadRunValue(), data) << length;
    }
}

TEST_F(RunValue, OtherTypesReadAsRawBytesUpToTheFirstZero) {
    const char binary[] = {'a', 'b', 'c', 0, 'd', 'e'};
    SetRaw(REG_BINARY, binary, sizeof binary);
    EXPECT_EQ(ReadRunValue(), "abc");

    const char unterminated[] = {'x', 'y', 'z'};
    SetRaw(REG_BINARY, unterminated, sizeof unterminated);
    EXPECT_EQ(ReadRunValue(), "xyz");

    DWORD number = 0x00636261;  // "abc" in little-endian bytes, then a zero byte
    SetRaw(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(ReadRunValue(), "abc");

    const char expandable[] = "%windir%\\x.exe hide";
    SetRaw(REG_EXPAND_SZ, expandable, sizeof expandable);
    EXPECT_EQ(ReadRunValue(), expandable);  // not expanded

    const char empty[] = "";
    SetRaw(REG_SZ, empty, sizeof empty);
    EXPECT_EQ(ReadRunValue(), "");
}

TEST_F(RunValue, AnAbsentValueReadsEmptyAndDeleteRemovesItAndAMissingValueFails) {
    EXPECT_EQ(ReadRunValue(), "");  // no Run key at all
    EXPECT_EQ(DeleteRunValue(), RunValueResult::Failed);
    ASSERT_EQ(WriteRunValue("\"C:\\a\\Veltrane.exe\" hide"), RunValueResult::Ok);
    EXPECT_EQ(DeleteRunValue(), RunValueResult::Ok);
    EXPECT_EQ(ReadRunValue(), "");
    EXPECT_EQ(RawAnsi(), "<missing>");
    EXPECT_EQ(DeleteRunValue(), RunValueResult::Failed);
}

TEST_F(RunValue, OtherValuesOfTheRunKeyAreLeftAlone) {
    const char other[] = "C:\\other.exe";
    UniqueRegKey key = RunKey();
    ASSERT_EQ(
        RegSetValueExA(key.get(), "Other", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other),
        ERROR_SUCCESS);
    ASSERT_EQ(WriteRunValue("x hide"), RunValueResult::Ok);
    ASSERT_EQ(DeleteRunValue(), RunValueResult::Ok);
    char buffer[64] = {};
    DWORD size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key.get(), "Other", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, other);
}

// Denies setting values on the private Run key to everyone, as a security program would.
bool DenySetValue(HKEY key) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return false;
    EXPLICIT_ACCESSA rules[2] = {};
    rules[0].grfAccessPermissions = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE;
    rules[0].grfAccessMode = DENY_ACCESS;
    rules[0].grfInheritance = NO_INHERITANCE;
    rules[0].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    rules[0].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    rules[0].Trustee.ptstrName = static_cast<LPSTR>(everyone);
    rules[1] = rules[0];
    rules[1].grfAccessPermissions = KEY_READ | READ_CONTROL | WRITE_DAC;
    rules[1].grfAccessMode = SET_ACCESS;
    PACL acl = nullptr;
    bool ok =
        SetEntriesInAclA(2, rules, nullptr, &acl) == ERROR_SUCCESS &&
        SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
    LocalFree(acl);
    FreeSid(everyone);
    return ok;
}

TEST_F(RunValue, PermissionDeniedIsToldApart) {
    ASSERT_EQ(WriteRunValue("\"C:\\old\\Veltrane.exe\" hide"), RunValueResult::Ok);
    UniqueRegKey key = RunKey();
    ASSERT_TRUE(DenySetValue(key.get()));
    key.reset();
    EXPECT_EQ(WriteRunValue("\"C:\\new\\Veltrane.exe\" hide"), RunValueResult::AccessDenied);
    EXPECT_EQ(DeleteRunValue(), RunValueResult::AccessDenied);
    EXPECT_EQ(ReadRunValue(), "\"C:\\old\\Veltrane.exe\" hide");  // reading needs no write access
}

TEST_F(RunValue, OtherWriteFailuresAreFailed) {
    // A stored key cannot be made under a volatile one: the registry refuses with another error.
    UniqueRegKey parent;
    ASSERT_EQ(RegCreateKeyExA(root_.get(), kParentPath, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, parent.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(WriteRunValue("x hide"), RunValueResult::Failed);
    EXPECT_EQ(ReadRunValue(), "");
}

}  // namespace
}  // namespace vt
