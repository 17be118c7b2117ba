// The platform's cryptography as the update uses it: SHA-256 known values, a signature made by
// this test's own key (its private half is not kept), every kind of damage to it, signed
// manifests read from disk and fetched from a server, downloads checked against digests, and the
// byte and time limits of a manifest's download.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "startup/download.h"
#include "startup/update_check.h"
#include "startup/update_signature.h"
#include "win/download_test_server.h"
#include "win/support/test_signer.h"
#include "win/support/test_window.h"

namespace qorv::startup {
namespace {

using test::PatternByte;
using test::ReadWholeFile;
using test::ScratchDir;
using test::TestHttpServer;
using test::WriteWholeFile;

constexpr long kInvalidSignature = static_cast<long>(0xC000A000);
const char kPublicKey[] =
    "cf5b135f61182b486b537927e3357b5357801ea5c6fd9bf9afed2fa3d35f4f69"
    "b9070814aadcba38a92e38c23fa4e2a0913bd66607e2d8c5ed67b681a8bfb43b";
const char kManifest[] =
    "version=1.2.0\r\n"
    "qorv|http://127.0.0.1/files/qorv.exe|"
    "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08\r\n";
const char kSignature[] =
    "d530dd3a484b6624d8b795047f93ba41c88cffe8c79fefec88479b78b1a17fca"
    "7c25e333c04d273bf36e6d4b7cdedd40b1e5696cc4f52393f27db6724803a9bf";

P256PublicKey Key() { return *ParsePublicKey(kPublicKey); }
P256Signature Signature() { return *ParseSignatureFile(kSignature); }
std::string Hex(const Sha256Digest& d) { return WideToUtf8(DigestHex(d)); }

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(PatternByte(i));
  return bytes;
}

TEST(Sha256, KnownValues) {
  EXPECT_EQ(Hex(*Sha256Of("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(*Sha256Of("a")),
            "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb");
  const std::string big = Pattern(64u << 20);
  const std::string kBig = "d214de74e358db7b855347dc8ccfcef87048a1dbc4d66a9f3b88a355265a33b1";
  EXPECT_EQ(Hex(*Sha256Of(big)), kBig);
  // The streamed hash over blocks of odd sizes, as a download hands them over.
  for (size_t block : {size_t{1}, size_t{8192}, size_t{300007}}) {
    Sha256Stream stream;
    ASSERT_TRUE(stream);
    size_t limit = block == 1 ? 1 : big.size();
    for (size_t at = 0; at < limit; at += block) {
      stream.Add(big.data() + at, std::min(block, limit - at));
    }
    EXPECT_EQ(Hex(*stream.Finish()), limit == 1 ? Hex(*Sha256Of(big.substr(0, 1))) : kBig)
        << block;
  }
  Sha256Stream empty;
  EXPECT_EQ(Hex(*empty.Finish()), Hex(*Sha256Of("")));
  EXPECT_FALSE(empty.Finish()) << "a stream ends with its first Finish";
}

TEST(ManifestSignature, OwnKeyVerifiesAndAnyFlippedBitFails) {
  const std::string manifest = kManifest;
  ASSERT_EQ(VerifyP256Sha256(Key(), manifest, Signature()), 0);

  for (size_t bit = 0; bit < manifest.size() * 8; bit += 7) {
    std::string damaged = manifest;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
    EXPECT_EQ(VerifyP256Sha256(Key(), damaged, Signature()), kInvalidSignature) << "bit " << bit;
  }
  for (size_t bit = 0; bit < 512; bit += 5) {
    P256Signature damaged = Signature();
    damaged[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    EXPECT_NE(VerifyP256Sha256(Key(), manifest, damaged), 0) << "signature bit " << bit;
  }
  for (size_t bit = 0; bit < 512; bit += 5) {
    P256PublicKey damaged = Key();
    damaged[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    // Mostly no point on the curve at all (the import refuses it); never a valid signature.
    EXPECT_NE(VerifyP256Sha256(damaged, manifest, Signature()), 0) << "key bit " << bit;
  }
  EXPECT_EQ(VerifyP256Sha256(Key(), manifest + " ", Signature()), kInvalidSignature);
}

TEST(ManifestSignature, SignatureFilesOfEveryShape) {
  const std::string sig = kSignature;
  const std::string manifest = kManifest;
  struct Case {
    std::optional<std::string> file;
    SignatureStatus status;
  } cases[] = {
      {sig, SignatureStatus::Valid},
      {sig + "\r\n", SignatureStatus::Valid},
      {std::nullopt, SignatureStatus::Missing},
      {sig.substr(0, 126), SignatureStatus::Malformed},  // truncated by a byte
      {sig.substr(0, 64), SignatureStatus::Malformed},   // r alone
      {std::string(), SignatureStatus::Malformed},
      {"<html><head><title>500</title></head><body>Internal error</body></html>",
       SignatureStatus::Malformed},
      {sig.substr(64) + sig.substr(0, 64), SignatureStatus::Invalid},  // s then r
      {std::string(128, '0'), SignatureStatus::Invalid},               // r = s = 0
      {std::string(128, 'f'), SignatureStatus::Invalid},               // r, s beyond the order
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CheckManifestSignature(Key(), manifest, c.file), c.status)
        << (c.file ? c.file->substr(0, 40) : "none");
  }
}

// A manifest with its signature on disk, read as a program with the test's key reads it.
class TrustedManifest : public testing::Test {
 protected:
  ScratchDir m_dir{L"signed"};
  std::wstring Manifest() const { return m_dir / L"update.txt"; }
  void Put(std::string_view manifest, std::optional<std::string_view> signature) {
    WriteWholeFile(Manifest(), manifest);
    ::DeleteFileW((Manifest() + L".sig").c_str());
    if (signature) WriteWholeFile(Manifest() + L".sig", *signature);
  }
  ManifestReading Read(const std::vector<P256PublicKey>& keys, std::vector<std::wstring>& lines) {
    return ReadTrustedManifest(Manifest(), keys, [&](std::wstring_view line) {
      lines.emplace_back(line);
      return true;
    });
  }
};

TEST_F(TrustedManifest, OnlyAVerifiedManifestReachesTheReader) {
  std::string tampered = kManifest;
  tampered[10] = '3';  // version=1.3.0
  std::string huge(1 << 20, 'x');
  huge = "version=9.9.9\r\n" + huge;
  const P256PublicKey buildKey = *ParsePublicKey(test::BuildKeyPublicHex());
  struct Case {
    const char* what;
    std::string manifest;
    std::optional<std::string> signature;
    std::vector<P256PublicKey> keys;
    SignatureStatus status;
  } cases[] = {
      {"signed", kManifest, std::string(kSignature), {Key()}, SignatureStatus::Valid},
      {"signed with the next key", kManifest, std::string(kSignature), {buildKey, Key()},
       SignatureStatus::Valid},
      {"signed with another key", kManifest, std::string(kSignature), {buildKey},
       SignatureStatus::Invalid},
      {"a program without keys", kManifest, std::string(kSignature), {}, SignatureStatus::Invalid},
      {"one byte changed after signing", tampered, std::string(kSignature), {Key()},
       SignatureStatus::Invalid},
      {"no signature", kManifest, std::nullopt, {Key()}, SignatureStatus::Missing},
      {"an error page for a signature", kManifest, std::string(2000, '<'), {Key()},
       SignatureStatus::Malformed},
      {"a signature file one byte too long", kManifest, std::string(kSignature) + "\r\n\n",
       {Key()}, SignatureStatus::Malformed},
      {"a megabyte of manifest", huge, std::string(kSignature), {Key()},
       SignatureStatus::Invalid},
      {"larger than any manifest", std::string(kMaxManifestBytes + 1, 'v'),
       std::string(kSignature), {Key()}, SignatureStatus::Invalid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Put(c.manifest, c.signature);
    std::vector<std::wstring> lines;
    ManifestReading reading = Read(c.keys, lines);
    EXPECT_TRUE(reading.found);
    EXPECT_EQ(reading.signature, c.status);
    if (c.status == SignatureStatus::Valid) {
      EXPECT_EQ(reading.trust, ManifestTrust::Signed);
      ASSERT_EQ(lines.size(), 2u);
      EXPECT_EQ(lines[0], L"version=1.2.0");
    } else {
      EXPECT_EQ(reading.trust, ManifestTrust::Rejected);
      EXPECT_TRUE(lines.empty());
    }
  }
}

TEST_F(TrustedManifest, NoManifestIsNoneFound) {
  std::vector<std::wstring> lines;
  EXPECT_FALSE(Read({Key()}, lines).found);
}

class ServedManifest : public testing::Test {
 protected:
  static void SetUpTestSuite() { s_update = new test::UpdateSite(); }
  static void TearDownTestSuite() {
    delete s_update;
    s_update = nullptr;
  }
  void SetUp() override {
    m_server = s_update->server.get();
    m_temp = &s_update->temp;
    ASSERT_FALSE(m_server->Url().empty()) << m_server->Error();
  }
  static void Publish(std::optional<std::string_view> manifest,
                      std::optional<std::string_view> signature) {
    std::wstring path = s_update->Published();
    ::DeleteFileW(path.c_str());
    ::DeleteFileW((path + L".sig").c_str());
    if (manifest) WriteWholeFile(path, *manifest);
    if (signature) WriteWholeFile(path + L".sig", *signature);
  }
  bool Fetched(const wchar_t* name) {
    return ::GetFileAttributesW((*m_temp / name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  static test::UpdateSite* s_update;
  TestHttpServer* m_server = nullptr;
  ScratchDir* m_temp = nullptr;
};
test::UpdateSite* ServedManifest::s_update = nullptr;

TEST_F(ServedManifest, FetchedWithItsSignatureOrNotAtAll) {
  CKpDownLoadFile download;
  const std::string manifest = test::WithExpiry(kManifest);
  const std::string signature = test::SignWithBuildKey(manifest);
  const std::vector<P256PublicKey> keys = {*ParsePublicKey(test::BuildKeyPublicHex())};
  Publish(manifest, signature);
  auto decision = FetchManifestDecision(download, keys, L"1.1.0", 0);
  ASSERT_TRUE(decision);
  EXPECT_EQ(decision->verdict, ManifestVerdict::Accept);
  EXPECT_EQ(ReadWholeFile(*m_temp / L"update.txt.sig").size(), 129u);
  // Offline: the pair an earlier run left is not used, and is gone.
  Publish(std::nullopt, std::nullopt);
  EXPECT_EQ(FetchManifestDecision(download, keys, L"1.1.0", 0), std::nullopt);
  EXPECT_FALSE(Fetched(L"update.txt"));
  EXPECT_FALSE(Fetched(L"update.txt.sig"));
  // A fresh manifest whose signature is gone is unsigned, whatever signature was left before.
  Publish(manifest, signature);
  ASSERT_TRUE(FetchManifestDecision(download, keys, L"1.1.0", 0));
  Publish(manifest, std::nullopt);
  decision = FetchManifestDecision(download, keys, L"1.1.0", 0);
  ASSERT_TRUE(decision);
  EXPECT_EQ(decision->verdict, ManifestVerdict::NotSigned);
  EXPECT_FALSE(Fetched(L"update.txt.sig"));
  // A signature file longer than any signature is refused by the length it announces.
  Publish(manifest, signature + "\r\n");
  size_t logged = m_server->Requests().size();
  decision = FetchManifestDecision(download, keys, L"1.1.0", 0);
  ASSERT_TRUE(decision);
  EXPECT_EQ(decision->verdict, ManifestVerdict::NotSigned);
  EXPECT_FALSE(Fetched(L"update.txt.sig"));
  EXPECT_EQ(m_server->Requests().size(), logged + 2);  // the manifest, then the signature
}

// The limits a manifest download runs under: a body announced or sent past its byte limit, or
// not whole by its deadline, is no file, and the older file stays.
TEST_F(ServedManifest, ALimitedDownloadRefusesLargeAndSlowAnswers) {
  ScratchDir dir(L"limits");
  const std::wstring target = dir / L"update.txt";
  struct Case {
    const char* what;
    std::wstring path;
    uint64_t maxBytes;
    double seconds;
    bool result;
  } cases[] = {
      {"within both", L"/bytes/1048576", kMaxManifestBytes, 15.0, true},
      {"one byte past the limit", L"/bytes/1048577", kMaxManifestBytes, 15.0, false},
      {"4 GiB announced", L"/short/4294967296/100", kMaxManifestBytes, 15.0, false},
      {"4 GiB and one byte announced", L"/short/4294967297/100", kMaxManifestBytes, 15.0, false},
      {"a signature's length", L"/bytes/130", kMaxSignatureFileBytes, 15.0, true},
      {"longer than a signature", L"/bytes/131", kMaxSignatureFileBytes, 15.0, false},
      {"a block every 400 ms past a 1 s deadline", L"/slow/100000/400", kMaxManifestBytes, 1.0,
       false},
      // Windows ends the wait itself at the deadline (the receive timeout); Wine waits for the
      // next block, and the answer is refused then.
      {"silent for 3 s past a 1 s deadline", L"/slow/16384/3000", kMaxManifestBytes, 1.0, false},
  };
  CKpDownLoadFile download;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteWholeFile(target, "the old file");
    double started = DownloadClockSeconds();
    bool result = download.DownLoadFile(m_server->Url(c.path), target, true, false, std::nullopt,
                                        {c.maxBytes, started + c.seconds});
    double took = DownloadClockSeconds() - started;
    EXPECT_EQ(result, c.result);
    if (!c.result) {
      EXPECT_EQ(ReadWholeFile(target).size(), 12u);
      EXPECT_LT(took, c.seconds + 3.5) << "the deadline did not hold";
    }
    EXPECT_EQ(dir.Names(), std::vector<std::wstring>{L"update.txt"}) << "a partial file was left";
  }
}

TEST_F(ServedManifest, ADownloadThatDoesNotMatchItsDigestKeepsTheOldFile) {
  ScratchDir dir(L"digest");
  const std::wstring target = dir / L"big.bin";
  const std::string url = "/bytes/100000/big.bin";
  const Sha256Digest right = *Sha256Of(Pattern(100000));
  Sha256Digest wrong = right;
  wrong[0] ^= 0x80;
  CKpDownLoadFile download;
  WriteWholeFile(target, "the old file");
  EXPECT_FALSE(download.DownLoadFile(m_server->Url(Utf8ToWide(url)), target, false, false, wrong));
  EXPECT_EQ(std::string(ReadWholeFile(target).data(), ReadWholeFile(target).size()),
            "the old file");
  EXPECT_EQ(dir.Names(), std::vector<std::wstring>{L"big.bin"}) << "a partial file was left";
  EXPECT_TRUE(download.DownLoadFile(m_server->Url(Utf8ToWide(url)), target, false, false, right));
  auto bytes = ReadWholeFile(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), Pattern(100000));
  // The digest is checked after the length: a short body fails as it always did.
  WriteWholeFile(target, "the old file");
  EXPECT_FALSE(download.DownLoadFile(m_server->Url(L"/short/100000/5000"), target, false, false,
                                     right));
  EXPECT_EQ(ReadWholeFile(target).size(), 12u);
}

}  // namespace
}  // namespace qorv::startup
