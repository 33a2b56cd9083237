// Placeholder until the filters layer has sources.
namespace kv {}
