/*
 * A service routine for the stub tests: records r10 (the service identifier)
 * and rax (a variadic call's vector-register count) as the stub left them,
 * then tail-jumps to the C routine named by nldat_spy_target, which sees the
 * caller's arguments unchanged.
 */
        .text
        .globl  nldat_stub_spy
        .type   nldat_stub_spy, @function
nldat_stub_spy:
        .cfi_startproc
        movq    %r10, nldat_spy_r10(%rip)       /* the identifier the stub set */
        movq    %rax, nldat_spy_rax(%rip)       /* untouched by the stub */
        jmp     *nldat_spy_target(%rip)         /* the C side of the spy */
        .cfi_endproc
        .size   nldat_stub_spy, . - nldat_stub_spy

        .bss
        .p2align 3
        .globl  nldat_spy_r10, nldat_spy_rax, nldat_spy_target
nldat_spy_r10:    .zero 8
nldat_spy_rax:    .zero 8
nldat_spy_target: .zero 8
        .section .note.GNU-stack,"",@progbits
