// The functions behind orvfs.dll's 33 exports (see orvfs.def).
//
// The module's interface types are exported as types, so the DLL carries,
// for each of its eleven interfaces, the default constructor, the copy
// constructor and the copy assignment under their decorated names. An
// interface has no data, so each of them does nothing but return the object
// it was called on. They keep the member-call convention of those names:
// `this` arrives in ECX, and the one stack argument of the copy operations is
// popped by the callee. The .def file maps every decorated name to one of the
// three functions below; they are not declared anywhere else because nothing
// in the module calls them.

extern "C" {

__attribute__((thiscall)) void* orv_interface_construct(void* self) {
  return self;
}

__attribute__((thiscall)) void* orv_interface_copy_construct(
    void* self, const void* /*source*/) {
  return self;
}

__attribute__((thiscall)) void* orv_interface_copy_assign(
    void* self, const void* /*source*/) {
  return self;
}

}  // extern "C"
