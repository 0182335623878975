// The module loader: what a real host does with an image.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "nlhost/host.h"
#include "nlhost/text.h"

namespace nlhost {

namespace {

using ImageEntry = const uwn_image_information *(*)(uwn_control_block *, void *);

constexpr char kEntryName[] = "uwinldat";
// A sane bound on the informat count of one family.
constexpr int32_t kMaxInformats = 256;

bool fail(std::string *error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

}  // namespace

std::unique_ptr<Module> Module::open(Host &host, const std::string &path, std::string *error) {
  std::unique_ptr<Module> module(new Module());
  module->path_ = path;
  if (!module->load(host, path, error)) return nullptr;
  return module;
}

std::unique_ptr<Module> Module::open_instance(Host &host, const std::string &path,
                                              uwn_control_block *control_block, std::string *error) {
  // The private copy is an anonymous file: a new inode, so a new instance.
  const int source = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) {
    fail(error, "cannot load module " + path + ": " + std::strerror(errno));
    return nullptr;
  }
  const int copy = ::memfd_create("uwinldat-instance", MFD_CLOEXEC);
  bool copied = copy >= 0;
  char buffer[1 << 16];
  for (ssize_t n; copied && (n = ::read(source, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    copied = n > 0 && ::write(copy, buffer, static_cast<size_t>(n)) == n;
  }
  const int why = errno;
  ::close(source);
  if (!copied) {
    if (copy >= 0) ::close(copy);
    fail(error, "cannot copy module " + path + ": " + std::strerror(why));
    return nullptr;
  }
  std::unique_ptr<Module> module(new Module());
  module->path_ = path;
  module->control_block_ = control_block;
  const bool loaded = module->load(host, "/proc/self/fd/" + std::to_string(copy), error);
  ::close(copy);  // the loader keeps its mapping
  if (!loaded) return nullptr;
  return module;
}

bool Module::load(Host &host, const std::string &load_path, std::string *error) {
  handle_ = dlopen(load_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char *why = dlerror();
    return fail(error,
                "cannot load module " + path_ + ": " + (why != nullptr ? why : "unknown dlopen error"));
  }
  if (!call_image_entry(host, error)) return false;

  const uwn_entry_descriptor *entry = nullptr;
  const uwn_entry_descriptor *const *list = image_->entries;
  if (list == nullptr) return fail(error, path_ + ": the image information record has no entry list");
  for (; *list != nullptr; ++list)
    if (strncmp((*list)->name, kEntryName, sizeof(*list)->name) == 0) {
      entry = *list;
      break;
    }
  if (entry == nullptr) return fail(error, path_ + ": no entry named \"uwinldat\" in the entry list");
  if (entry->routine == nullptr) return fail(error, path_ + ": the entry \"uwinldat\" has no routine");
  entry_ = entry;

  const auto *described = static_cast<const uwn_family_description *>(entry->routine(UWN_REQUEST_DESCRIBE));
  if (described == nullptr) return fail(error, path_ + ": the describe request gave no family description");
  if (described->count < 1 || described->count > kMaxInformats || described->items == nullptr)
    return fail(error, path_ + ": the family description counts " + std::to_string(described->count) +
                           " informats" + (described->items == nullptr ? " and has no item table" : ""));
  // The pool block belongs to the host that loaded; keep a copy that lives
  // as long as the module.
  description_copy_ = *described;
  description_ = &description_copy_;

  const auto *bound = static_cast<const uwn_informat_fn *>(entry->routine(UWN_REQUEST_BIND));
  if (bound == nullptr) return fail(error, path_ + ": the bind request gave no routine block");
  for (int32_t k = 1; k <= described->count; ++k) {
    const uwn_informat_item *item = &described->items[k - 1];
    std::string name(item->name, strnlen(item->name, sizeof item->name));
    if (name.empty() || name[0] != '@')
      return fail(error, path_ + ": informat row " + std::to_string(k) + " has a name without \"@\": \"" +
                             name + "\"");
    if (bound[k] == nullptr) return fail(error, path_ + ": no routine for informat " + name);
    informats_.push_back({name.substr(1), item, bound[k]});
  }
  return true;
}

bool Module::call_image_entry(Host &host, std::string *error) {
  auto *image_entry = reinterpret_cast<ImageEntry>(dlsym(handle_, "mcn_main"));
  if (image_entry == nullptr) return fail(error, path_ + ": no image entry mcn_main");
  // The host serves the module through its current host.
  host.make_current();
  const uwn_image_information *image =
      image_entry(control_block_ != nullptr ? control_block_ : host.control_block(), &per_image_anchor_);
  if (image == nullptr) return fail(error, path_ + ": mcn_main returned no image information record");
  static constexpr char kEye[24] = UWN_IMAGE_EYE_CATCHER;  // 22 characters and two NULs
  if (std::memcmp(image->eye_catcher, kEye, sizeof kEye) != 0)
    return fail(error,
                path_ + ": the image information record lacks the eye-catcher \"" UWN_IMAGE_EYE_CATCHER "\"");
  if (image->magic != UWN_IMAGE_MAGIC) {
    char found[16];
    std::snprintf(found, sizeof found, "0x%08X", image->magic);
    return fail(error, path_ + ": the image information record has magic " + found + ", not 0xB0BDEBED");
  }
  image_ = image;
  return true;
}

bool Module::attach(Host &host) {
  control_block_ = nullptr;
  return call_image_entry(host, nullptr);
}

Module::~Module() {
  if (handle_ != nullptr) dlclose(handle_);
}

void *Module::symbol(const char *name) const { return handle_ != nullptr ? dlsym(handle_, name) : nullptr; }

uwn_informat_fn Module::informat(std::string_view name) const {
  for (const Informat &i : informats_)
    if (same_name(i.name, name)) return i.routine;
  return nullptr;
}

}  // namespace nlhost
