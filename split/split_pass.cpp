// The split writer pass.
namespace pw {}
