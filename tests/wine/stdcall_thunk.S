/* int32_t callStdcall(const void* function, const uint32_t* args,
                       uint32_t argc, int32_t* stackDelta)   (cdecl)

   Pushes args[argc-1] .. args[0], calls `function`, and stores in
   *stackDelta how far ESP is, after the call, from where it was before the
   pushes: 0 when the callee removed exactly 4 * argc bytes (stdcall), and
   -4 * argc when it removed none (cdecl). ESP is then put back, so a wrong
   callee cannot upset the caller. EBX, ESI and EDI survive any callee, so
   they carry the saved ESP and the loop state across the call. */
        .text
        .globl  _callStdcall
_callStdcall:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    12(%ebp), %esi          /* args */
        movl    16(%ebp), %ecx          /* argc */
        movl    %esp, %ebx              /* ESP before the arguments */
1:      testl   %ecx, %ecx
        jz      2f
        decl    %ecx
        pushl   (%esi,%ecx,4)
        jmp     1b
2:      call    *8(%ebp)
        movl    %esp, %ecx
        subl    %ebx, %ecx
        movl    20(%ebp), %edx
        movl    %ecx, (%edx)
        movl    %ebx, %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
