// Placeholder until the parser layer has sources.
namespace kv {}
