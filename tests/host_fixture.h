// nldat_test::ModuleTest: a GoogleTest fixture with a reference host and the
// module.
//
// Every test gets a fresh nlhost::Host (the current host) whose locale is
// nlhost::make_builtin_english().  uwinldat.so is loaded once per process
// (NLDAT_MODULE_PATH) and its image entry is called again for each new host,
// so the module's control block anchor always points at the live host.  The
// static library's copy of the module, linked into the test program, is
// attached to the same host too, so internal routines declared in
// tovzklocale.h can be called directly.
//
//   class ParserTest : public nldat_test::ModuleTest {};
//   TEST_F(ParserTest, Reads) {
//     auto zkpdate_fn = fn<decltype(&zkpdate)>("zkpdate");  // the loaded module's
//     host().locale()->set_text(28, "%d.%m.%Y");          // change the locale
//     watch().record_calls(true);                          // see the services used
//   }
//
// attach_static() re-attaches the static library after a test replaced the
// host's control block contents (e.g. the service table).
#ifndef NLDAT_TESTS_HOST_FIXTURE_H
#define NLDAT_TESTS_HOST_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "nlhost/host.h"
#include "nlhost/testing.h"
#include "uwinldat.h"

namespace nldat_test {

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<nlhost::Host>();
    host_->set_locale(nlhost::make_builtin_english());
    host_->make_current();
    std::unique_ptr<nlhost::Module> &loaded = shared_module();
    if (loaded == nullptr) {
      std::string error;
      loaded = nlhost::Module::open(*host_, NLDAT_MODULE_PATH, &error);
      if (loaded == nullptr) {
        std::fprintf(stderr, "cannot load the module: %s\n", error.c_str());
        std::abort();
      }
    } else {
      ASSERT_TRUE(loaded->attach(*host_));
    }
    attach_static();
  }

  void TearDown() override {
    // The module keeps the block's address: nothing may call it after this.
    host_.reset();
  }

  nlhost::Host &host() { return *host_; }
  // The test's hold on the host's services: recording, failures, slots.
  nlhost::ServiceWatch watch() { return nlhost::ServiceWatch(*host_); }
  nlhost::Module &module() { return *shared_module(); }

  // An exported routine of the loaded module, as type F; aborts when absent.
  template <class F>
  F fn(const char *name) {
    F f = module().function<F>(name);
    if (f == nullptr) {
      std::fprintf(stderr, "uwinldat.so does not export %s\n", name);
      std::abort();
    }
    return f;
  }

  // Points the static library's copy of the module at this host.
  void attach_static() { ::mcn_main(host_->control_block(), nullptr); }

 private:
  static std::unique_ptr<nlhost::Module> &shared_module() {
    static std::unique_ptr<nlhost::Module> module;
    return module;
  }

  std::unique_ptr<nlhost::Host> host_;
};

}  // namespace nldat_test

#endif
