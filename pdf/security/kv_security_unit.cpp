// Placeholder until the security layer has sources.
namespace kv {}
