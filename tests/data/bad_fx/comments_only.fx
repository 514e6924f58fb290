// Nothing but comments: no entry point.
// expect: 408 0x80004005 main.fx(1,1)
/* a block comment
   over two lines */
// the end
