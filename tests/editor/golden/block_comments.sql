create /* one line */ table
/* opened here
   still comment
*/ select x
  /**/ from
/* a */ /* b
end */ where
*/
