#include <gtest/gtest.h>

#include <cstdint>

#include "browser/navigation_status.h"

namespace qorv::browser {
namespace {

TEST(NavigationStatusTest, TransportFailuresAreThoseWithoutAnHttpAnswer) {
  struct Case {
    uint32_t status;
    bool transport;
    const char* what;
  };
  const Case cases[] = {
      {0x800C0008u, true, "download failure (a refused port under Wine)"},
      {0x800C0004u, true, "cannot connect"},
      {0x800C0005u, true, "name not resolved"},
      {0x800C000Bu, true, "connection timeout"},
      {0x800C0003u, true, "no session"},
      {0x800C0007u, true, "data not available"},
      {0x800C000Eu, true, "no secure channel"},
      {0x800C000Fu, true, "cannot load data"},
      {0x800C0014u, true, "redirect failed"},
      {0x80040154u, false, "class not registered: a document arrived, nothing could show it"},
      {0x800C0006u, false, "object not found: the server answered"},
      {0x800C0009u, false, "authentication required"},
      {0x800C0010u, false, "an INET_E code between the failures"},
      {0x800C0002u, false, "invalid URL: nothing was attempted"},
      {404, false, "HTTP 404"},
      {503, false, "HTTP 503 maintenance page"},
      {500, false, "HTTP 500"},
      {0, false, "S_OK"},
      {0x80004005u, false, "E_FAIL"},
      {0x000C0008u, false, "the failure's code without its severity bit"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTransportFailure(static_cast<int32_t>(c.status)), c.transport) << c.what;
  }
}

}  // namespace
}  // namespace qorv::browser
