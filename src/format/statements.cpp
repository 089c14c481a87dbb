#include "format/statements.h"

#include <memory>
#include <new>
#include <string>
#include <unordered_map>

#include "format/input.h"
#include "format/list_input.h"
#include "format/output.h"
#include "format/records.h"
#include "format/translate.h"

namespace format {
namespace {

// A translation, or the message with which the text fails.
struct Translation {
  FormatList list;
  std::string_view failure;
};

// The same few format texts come back for every record, so translations are
// kept by text. Data files bring arbitrary texts, so the cache starts afresh
// when it grows past a few hundred of them.
constexpr std::size_t k_cache_limit = 256;

std::shared_ptr<const Translation> translation_of(std::string_view text) {
  thread_local std::unordered_map<std::string,
                                  std::shared_ptr<const Translation>>
      cache;
  std::string key(text);
  auto found = cache.find(key);
  if (found != cache.end()) {
    return found->second;
  }
  auto translation = std::make_shared<Translation>();
  translation->failure = translate_format(text, translation->list);
  if (cache.size() >= k_cache_limit) {
    cache.clear();
  }
  cache.emplace(std::move(key), translation);
  return translation;
}

template <typename Statement>
io::Outcome with_translation(std::string_view text, std::string_view word,
                             int unit, Statement statement) {
  try {
    std::shared_ptr<const Translation> translation = translation_of(text);
    if (!translation->failure.empty()) {
      return io::Outcome::failure(translation->failure, word, unit);
    }
    return statement(translation->list);
  } catch (const std::bad_alloc&) {
    return io::Outcome::failure(io::k_buffer_allocation_failed, word, unit);
  }
}

}  // namespace

io::Outcome read_formatted(io::Runtime& runtime, int unit,
                           std::string_view format_text,
                           std::span<const Item> items,
                           const Settings& settings) {
  UnitRecords records(runtime, unit);
  return with_translation(
      format_text, "READ", unit, [&](const FormatList& list) {
        return read_with_format(&records, unit, {}, list, items,
                                settings.check_real_structure);
      });
}

io::Outcome read_formatted(std::string_view record,
                           std::string_view format_text,
                           std::span<const Item> items,
                           const Settings& settings) {
  return with_translation(
      format_text, "READ", io::k_internal_unit, [&](const FormatList& list) {
        return read_with_format(nullptr, io::k_internal_unit, record, list,
                                items, settings.check_real_structure);
      });
}

io::Outcome read_list_directed(io::Runtime& runtime, int unit,
                               std::span<const Item> items,
                               const Settings& settings) {
  UnitRecords records(runtime, unit);
  try {
    return read_list(records, unit, items, settings.check_real_structure);
  } catch (const std::bad_alloc&) {
    return io::Outcome::failure(io::k_buffer_allocation_failed, "READ", unit);
  }
}

io::Outcome write_formatted(io::Runtime& runtime, int unit,
                            std::string_view format_text,
                            std::span<const Value> values) {
  UnitRecords records(runtime, unit);
  return with_translation(
      format_text, "WRITE", unit, [&](const FormatList& list) {
        return write_with_format(records, unit, list, values);
      });
}

io::Outcome write_list_directed(io::Runtime& runtime, int unit,
                                std::span<const Value> values) {
  UnitRecords records(runtime, unit);
  try {
    return write_list(records, unit, values);
  } catch (const std::bad_alloc&) {
    return io::Outcome::failure(io::k_buffer_allocation_failed, "WRITE", unit);
  }
}

}  // namespace format
