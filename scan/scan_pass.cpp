// The heading scan pass.
namespace pw {}
