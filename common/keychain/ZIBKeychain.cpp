#include "common/keychain/ZIBKeychain.h"

#include <mutex>

namespace qor {
namespace {

struct Accessibility {
  std::mutex mutex;
  std::optional<std::string> value;
};

Accessibility& accessibility() {
  static auto* state = new Accessibility;  // process-wide, never destroyed
  return *state;
}

ZIBKeychainQuery queryFor(const std::optional<std::string>& service, const std::optional<std::string>& account) {
  ZIBKeychainQuery query;
  query.setService(service);
  query.setAccount(account);
  return query;
}

}  // namespace

ZIBKeychain::OptString ZIBKeychain::passwordForService(const OptString& service, const OptString& account,
                                                       ErrorOut error) {
  auto query = queryFor(service, account);
  if (!query.fetch(error)) return std::nullopt;
  return query.password();
}

platform::OptBytes ZIBKeychain::passwordDataForService(const OptString& service, const OptString& account,
                                                       ErrorOut error) {
  auto query = queryFor(service, account);
  if (!query.fetch(error)) return std::nullopt;
  return query.passwordData();
}

bool ZIBKeychain::setPassword(const OptString& password, const OptString& service, const OptString& account,
                              ErrorOut error) {
  auto query = queryFor(service, account);
  query.setPassword(password);
  return query.save(error);
}

bool ZIBKeychain::setPasswordData(const platform::OptBytes& password, const OptString& service,
                                  const OptString& account, ErrorOut error) {
  auto query = queryFor(service, account);
  query.setPasswordData(password);
  return query.save(error);
}

bool ZIBKeychain::deletePasswordForService(const OptString& service, const OptString& account, ErrorOut error) {
  return queryFor(service, account).deleteItem(error);
}

std::optional<platform::Json> ZIBKeychain::allAccounts(ErrorOut error) {
  return accountsForService(std::nullopt, error);
}

std::optional<platform::Json> ZIBKeychain::accountsForService(const OptString& service, ErrorOut error) {
  return queryFor(service, std::nullopt).fetchAll(error);
}

ZIBKeychain::OptString ZIBKeychain::accessibilityType() {
  auto& state = accessibility();
  std::lock_guard lock(state.mutex);
  return state.value;
}

void ZIBKeychain::setAccessibilityType(OptString value) {
  auto& state = accessibility();
  std::lock_guard lock(state.mutex);
  state.value = std::move(value);
}

}  // namespace qor
