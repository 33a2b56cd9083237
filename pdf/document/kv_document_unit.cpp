// Placeholder until the document layer has sources.
namespace kv {}
