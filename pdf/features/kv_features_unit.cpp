// Placeholder until the features layer has sources.
namespace kv {}
