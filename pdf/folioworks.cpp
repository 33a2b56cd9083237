// The library archive: every layer, linked together.
namespace kv {}
