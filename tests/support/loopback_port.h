#pragma once
// A TCP port on 127.0.0.1 that nothing listens on: bound, then released (a
// small race remains). For servers a test starts there, and for connections
// that must be refused.

namespace tav::test {

int FreeLoopbackPort();

}  // namespace tav::test
