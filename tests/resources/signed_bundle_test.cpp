// A signed Windows installer: the certificate table follows the bundle, and the PE
// security directory says where it starts.
#include <gtest/gtest.h>

#include <cstring>

#include "authoring/bundle_writer.h"
#include "resources/bundle.h"
#include "resources/certificate_table.h"
#include "support/test_environment.h"

namespace tamlo::test {
namespace {

constexpr size_t kPeHeader = 0x80;
constexpr size_t kOptionalHeader = kPeHeader + 24;
constexpr size_t kOptionalSize = 240;  // PE32+ with 16 data directories
constexpr size_t kSecurityEntry = kOptionalHeader + 112 + 4 * 8;

void putLe32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

// The headers of a 64-bit PE program with no sections: enough for the directory.
std::string peProgram() {
    std::string bytes(kOptionalHeader + kOptionalSize, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    putLe32(bytes, 0x3c, kPeHeader);
    std::memcpy(&bytes[kPeHeader], "PE\0\0", 4);
    bytes[kPeHeader + 4 + 16] = static_cast<char>(kOptionalSize);
    bytes[kOptionalHeader] = 0x0b;
    bytes[kOptionalHeader + 1] = 0x02;
    putLe32(bytes, kOptionalHeader + 108, 16);
    return bytes;
}

// The installer built over `program`, then signed the way a signer does: zeros up to an
// 8-byte boundary, the table, and the security directory pointing at it.
std::string signedInstaller(const std::string& program, const std::string& table) {
    const std::string dir = makeTempDir("signed");
    writeFile(dir + "/program", program);
    const char* names[] = {"UI.lua", "frame.lz", "LG.lua", "program.lz", "style.lz"};
    const int32_t ids[] = {111, 113, 114, 115, 116};
    std::vector<BundleInput> inputs;
    for (int i = 0; i < 5; ++i) {
        writeFile(dir + "/" + names[i], std::string("bytes of ") + names[i]);
        inputs.push_back({ids[i], dir + "/" + names[i]});
    }
    std::string error;
    EXPECT_TRUE(writeBundle(dir + "/program", inputs, dir + "/installer", &error)) << error;
    std::string bytes = readFile(dir + "/installer");
    bytes.append((8 - bytes.size() % 8) % 8, '\0');
    putLe32(bytes, kSecurityEntry, static_cast<uint32_t>(bytes.size()));
    putLe32(bytes, kSecurityEntry + 4, static_cast<uint32_t>(table.size()));
    return bytes + table;
}

std::unique_ptr<Bundle> openBytes(const std::string& bytes, std::string* error) {
    return Bundle::fromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error);
}

TEST(SignedBundle, TheBundleIsFoundInFrontOfTheCertificateTableAndPassesItsChecks) {
    // Program lengths that leave 0 to 7 bytes of padding before the table.
    for (size_t extra = 0; extra < 8; ++extra) {
        std::string program = peProgram() + std::string(extra, '\x90');
        const std::string bytes = signedInstaller(program, std::string(1000, '\x30'));
        std::string error;
        std::unique_ptr<Bundle> bundle = openBytes(bytes, &error);
        ASSERT_TRUE(bundle) << "extra " << extra << ": " << error;
        EXPECT_TRUE(bundle->verifyAll(&error)) << error;
        uint32_t size = 0;
        const uint8_t* ui = bundle->data(111, &size);
        ASSERT_NE(ui, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(ui), size), "bytes of UI.lua");
    }
}

TEST(SignedBundle, ADirectoryThatDoesNotEndTheFileOrLiesOutsideItIsIgnored) {
    const std::string good = signedInstaller(peProgram(), std::string(64, '\x30'));
    auto table = findCertificateTable(reinterpret_cast<const uint8_t*>(good.data()), good.size());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->offset + table->size, good.size());

    // More bytes after the table: the directory no longer describes the end.
    std::string appended = good + "trailing";
    std::string error;
    EXPECT_FALSE(openBytes(appended, &error));
    EXPECT_EQ(error, "no embedded files: the footer is missing");

    // A directory that points past the end, or a huge size, reads nothing out of bounds.
    std::string wild = good;
    putLe32(wild, kSecurityEntry, 0xfffffff0u);
    EXPECT_FALSE(findCertificateTable(reinterpret_cast<const uint8_t*>(wild.data()), wild.size()));
    putLe32(wild, kSecurityEntry, 8);
    putLe32(wild, kSecurityEntry + 4, 0xffffffffu);
    EXPECT_FALSE(findCertificateTable(reinterpret_cast<const uint8_t*>(wild.data()), wild.size()));

    // A PE header pointer past the end, and truncated headers.
    std::string broken = peProgram();
    putLe32(broken, 0x3c, 0x7ffffff0u);
    EXPECT_FALSE(
        findCertificateTable(reinterpret_cast<const uint8_t*>(broken.data()), broken.size()));
    for (size_t cut : {size_t{2}, size_t{0x40}, kOptionalHeader + 1, kSecurityEntry + 4}) {
        const std::string head = good.substr(0, cut);
        EXPECT_FALSE(
            findCertificateTable(reinterpret_cast<const uint8_t*>(head.data()), head.size()));
    }
}

TEST(SignedBundle, OneByteChangedInTheBundleOfASignedInstallerIsCaught) {
    std::string bytes = signedInstaller(peProgram(), std::string(256, '\x30'));
    const size_t at = bytes.find("bytes of program.lz");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 3] ^= 1;
    std::string error;
    std::unique_ptr<Bundle> bundle = openBytes(bytes, &error);
    ASSERT_TRUE(bundle) << error;
    EXPECT_FALSE(bundle->verifyAll(&error));
}

}  // namespace
}  // namespace tamlo::test
