// Nothing but comments.
//
// /* and a block comment */
// expect: 408 0x80004005 main.fx(1,1)
// the end
